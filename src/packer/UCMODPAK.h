// Builds or edits an ERF-family archive in memory and writes it as MOD, HAK or ERF.
#pragma once

#include "app/UGameText.h"
#include "archives/UResTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct RMOD_FILE {
    std::string ResRef;
    std::int32_t ResID = 0;
    std::int32_t ResType = 0;
    std::int32_t Offset = 0;
    std::int32_t Size = 0;
    std::string Data;
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

    // Takes the game's text encoding for the names of added files.
    CMODPAK();

    // The entries in archive order; they change only through the operations below.
    const std::vector<RMOD_FILE> &Entries() const { return m_entries; }

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
