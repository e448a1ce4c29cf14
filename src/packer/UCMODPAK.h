// Builds or edits an ERF-family archive in memory and writes it as MOD, HAK or ERF.
#pragma once

#include "app/UGameText.h"
#include "archives/UResTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The bytes of one resource: its own, or a piece of bytes that other
// resources share (the entries of an opened archive share the archive's
// bytes, read once, however their ranges overlap). Never changed once made,
// so copies share them and stay independent all the same.
class CResourceBytes {
public:
    CResourceBytes() = default;
    CResourceBytes(std::string bytes);
    CResourceBytes(const char *bytes) : CResourceBytes(std::string(bytes)) {}
    // size bytes at offset of shared.
    CResourceBytes(std::shared_ptr<const std::string> shared, std::size_t offset, std::size_t size);

    operator std::string_view() const { return m_bytes; }
    std::string_view View() const { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }

    friend bool operator==(const CResourceBytes &bytes, std::string_view other) { return bytes.m_bytes == other; }

private:
    std::shared_ptr<const std::string> m_shared;
    std::string_view m_bytes;
};

struct RMOD_FILE {
    std::string ResRef;
    std::int32_t ResID = 0;
    std::int32_t ResType = 0;
    std::int32_t Offset = 0;
    std::int32_t Size = 0;
    CResourceBytes Data;
};

// One entry of the localized string list.
struct RMOD_LOCSTRING {
    std::uint32_t LanguageID = 0;
    std::string Text;
};

enum TArchiveKind : int { akNone = -1, akMOD = 1, akHAK = 2, akERF = 3 };

class CMODPAK {
public:
    static constexpr std::size_t HeaderSize = 160;

    std::string FileName;
    int Kind = akNone;
    std::array<unsigned char, HeaderSize> Header{};
    // Title, URL and description are game text, as stored (see Codec()).
    std::string Title;
    std::string Url;
    std::string Description;
    // Localized strings of an opened archive; the one the packer edits (language
    // 0, else the first) is rebuilt from the texts on save (and left out when
    // saving as ERF, which has none), the others are written back unchanged.
    std::vector<RMOD_LOCSTRING> LocStrings;
    std::string CurrentName; // full path of the file being exported
    std::function<void(CMODPAK &)> OnExport;
    // Entries of the opened archive whose bytes overlap those of another
    // (CountOverlappingEntries); saving writes each of them in full.
    std::size_t OverlappingEntries = 0;

    // Takes the game's text encoding for the names of added files.
    CMODPAK();

    // The entries in archive order; they change only through the operations below.
    const std::vector<RMOD_FILE> &Entries() const { return m_entries; }

    // Reads the archive's bytes once, however its entries overlap. A damaged
    // archive shows its message: lists running past the end of the file keep
    // the entries inside it, a resource past the end refuses the archive.
    bool Open(const std::string &path);
    // Writes the archive and returns the path actually written (the kind's
    // extension appended when missing). The previous file survives a failed save.
    std::string Save(const std::string &path);
    void AddFile(const std::string &path);
    int AddEntry(const RMOD_FILE &entry);
    int Find(const std::string &resref, std::int32_t resType) const;
    void Delete(int index);
    void ExportToFile(int index, const std::string &folder);
    void ExportAll(const std::string &folder);

    static std::string TypeToExt(std::int32_t resType) { return PakTypeToExt(resType); }
    static std::int32_t ExtToType(const std::string &ext) { return PakExtToType(ext); }

    // A file's name without folder and last four characters (the platform's encoding).
    static std::string NameOfFile(const std::string &path);
    // The ResRef AddFile gives a file: NameOfFile in the game's encoding;
    // nullopt when a character of it has no form there.
    std::optional<std::string> ResRefOfFile(const std::string &path) const;
    // Why the packer refuses to add a file ("" when it accepts it): a name the
    // game's encoding cannot hold, longer than 16 characters once encoded, an
    // unknown extension, or already present. When accepted, the ResRef and type
    // it would get.
    std::string RefusalReason(const std::string &path, std::string *resref = nullptr,
                              std::int32_t *type = nullptr) const;
    // Adds the file unless refused; returns the reason of a refusal ("" when added).
    std::string AddFileIfAccepted(const std::string &path);
    // The encoding of names and texts inside the archive.
    const CGameTextCodec &Codec() const { return *m_codec; }
    // The path Save writes for this kind.
    std::string TargetPath(const std::string &path) const;

private:
    const CGameTextCodec *m_codec;
    std::string BuildLocalizedStrings(std::uint32_t &count) const;

    std::vector<RMOD_FILE> m_entries;
    // Name-and-type index over the entries that keeps Find fast while thousands
    // of files are added: extended by additions, rebuilt after other changes.
    mutable std::unordered_map<std::string, int> m_index;
    mutable std::size_t m_indexedCount = 0;
    mutable bool m_indexValid = false;
    void UpdateIndex() const;
};
