// Benchmarks of the windows: opening a GFF viewer on a large blueprint (as
// every archive preview of a GFF resource does) and listing a whole talk
// table in the TLK window, each from the window's creation to its first
// complete paint; the ERF viewer's "Extract file(s) to .." on 20,000
// selected rows, beside cp -r of the same files; and a drop of 5,000 files on
// the packer, beside reading the same files.
//
// Needs a display: run under xvfb-run -a. The data goes to a new folder
// under /dev/shm, removed at the end, or to QUORLIN_BENCH_DIR, which is kept.

#include "app/UApplication.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "archives/UArchiveBrowser.h"
#include "archives/UFrm_ModView.h"
#include "packer/UFrm_ModEdit.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "formats/UCTLK.h"
#include "formats/UCUT.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_UTX.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/TlkBuilder.h"

#include <QAbstractItemModel>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kTalkTableEntries = 120000;
constexpr int kBlueprintFields = 2000;
constexpr int kArchiveEntries = 20000;

// Repeatable made-up words, so every run reads the same files.
class TWords {
public:
    std::string Sentence(int words)
    {
        static const char *const kWords[] = {
            "the", "sword", "of", "a", "keeper", "stone", "river", "you", "shall", "not",
            "pass", "merchant", "gold", "ancient", "tower", "whisper", "shadow", "north",
            "bring", "me", "letter", "guard", "temple", "quietly", "fire", "moon"};
        std::string text;
        for (int i = 0; i < words; ++i) {
            if (i > 0)
                text += ' ';
            text += kWords[Next() % (sizeof kWords / sizeof *kWords)];
        }
        text[0] = char(text[0] - 'a' + 'A');
        return text + '.';
    }
    std::uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }

private:
    std::uint32_t m_state = 12345;
};

struct TBenchData {
    fs::path Root;
    fs::path Blueprint;
    fs::path TalkTable;
    fs::path Archive;     // kArchiveEntries text resources
    fs::path LooseFiles;  // the same resources as files
};

// An archive of kArchiveEntries resources of 1 to 4 KB, and the same files
// in a folder.
void WriteArchive(const fs::path &archive, const fs::path &folder)
{
    TWords words;
    testdata::ErfBuilder erf("ERF ");
    fs::create_directories(folder);
    for (int i = 0; i < kArchiveEntries; ++i) {
        const std::string name = "res" + std::to_string(i);
        std::string text;
        const std::size_t size = 1024 + words.Next() % 3072;
        while (text.size() < size)
            text += words.Sentence(12) + "\n";
        text.resize(size);
        erf.Add(name, testdata::restype::TXT, text);
        testdata::WriteFile(folder / (name + ".txt"), text);
    }
    erf.WriteTo(archive);
}

// A talk table of the game's size: about 10 MB of texts of 2 to 30 words,
// every fifth entry with a sound.
void WriteTalkTable(const fs::path &path)
{
    TWords words;
    testdata::TlkBuilder talk;
    talk.Entries.reserve(kTalkTableEntries);
    for (int i = 0; i < kTalkTableEntries; ++i) {
        const std::string sound = i % 5 == 0 ? "vs_line_" + std::to_string(i) : std::string();
        talk.Add(sound, words.Sentence(2 + int(words.Next() % 29)));
    }
    talk.WriteTo(path);
}

// A creature blueprint of 2,000 fields: numbers, texts, localized strings
// pointing into the talk table, and lists of small structs.
void WriteBlueprint(const fs::path &path)
{
    TWords words;
    testdata::GffBuilder gff("UTC ", "V3.2");
    int fields = 0;
    for (int i = 0; fields < kBlueprintFields; ++i) {
        const std::string label = "Field" + std::to_string(i);
        switch (i % 6) {
        case 0: gff.Byte(0, label, std::uint8_t(i)); ++fields; break;
        case 1: gff.DWord(0, label, words.Next()); ++fields; break;
        case 2: gff.String(0, label, words.Sentence(6)); ++fields; break;
        case 3: gff.LocString(0, label, words.Next() % kTalkTableEntries); ++fields; break;
        case 4: gff.Float(0, label, float(i) / 7.0f); ++fields; break;
        default: {
            std::vector<int> elements;
            for (int e = 0; e < 4; ++e) {
                const int element = gff.AddStruct(std::uint32_t(e));
                gff.Word(element, "PropertyName", std::uint16_t(e));
                gff.LocString(element, "Description", 0xFFFFFFFF, {{0, words.Sentence(5)}});
                elements.push_back(element);
            }
            gff.List(0, label, elements);
            fields += 1 + 4 * 2;
        }
        }
    }
    gff.WriteTo(path);
}

TBenchData &Data()
{
    static TBenchData data;
    return data;
}

void CreateData()
{
    const char *folder = std::getenv("QUORLIN_BENCH_DIR");
    TBenchData &data = Data();
    data.Root = folder && *folder ? fs::path(folder)
                                  : fs::path("/dev/shm") / ("quorlin-gui-bench-" + std::to_string(getpid()));
    fs::create_directories(data.Root / "game");
    fs::create_directories(data.Root / "program");
    data.TalkTable = data.Root / "game" / "dialog.tlk";
    data.Blueprint = data.Root / "creature.utc";
    WriteTalkTable(data.TalkTable);
    WriteBlueprint(data.Blueprint);
    data.Archive = data.Root / "texts.erf";
    data.LooseFiles = data.Root / "loose";
    WriteArchive(data.Archive, data.LooseFiles);
    setenv("QUORLIN_GAME_FOLDER", (data.Root / "game").c_str(), 1);
    SetProgramFolder((data.Root / "program").string());
    CreateTempFolder();
}

// Creation, OpenFile and the first layout and paint of a GFF viewer, with the
// game's talk table already read once (the shared table is reused). Argument:
// the text dump off (0) or on (1).
void BM_OpenGffViewer(benchmark::State &state)
{
    Settings().UTXMakeText = state.range(0) != 0;
    {
        CUT warm; // reads the talk table into the shared cache
        if (warm.TalkTable.Count() != std::size_t(kTalkTableEntries))
            state.SkipWithError("the talk table was not read");
    }
    const QString path = QString::fromStdString(Data().Blueprint.string());
    std::size_t rows = 0;
    for (auto _ : state) {
        TFrm_UTX viewer;
        viewer.OpenFile(path);
        benchmark::DoNotOptimize(viewer.grab());
        rows = std::size_t(viewer.ListRes->model()->rowCount());
    }
    state.counters["rows"] = double(rows);
    Settings().UTXMakeText = false;
}
BENCHMARK(BM_OpenGffViewer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the talk table read from the file each time (the cost the
// first GFF preview of a run pays).
void BM_OpenGffViewerColdTalkTable(benchmark::State &state)
{
    const QString path = QString::fromStdString(Data().Blueprint.string());
    for (auto _ : state) {
        ClearTalkTableCache();
        TFrm_UTX viewer;
        viewer.OpenFile(path);
        benchmark::DoNotOptimize(viewer.grab());
    }
}
BENCHMARK(BM_OpenGffViewerColdTalkTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// A TLK window on the game's talk table: creation, OpenFile (shared table),
// "View All" and the first paint of the full list.
void BM_TalkTableViewAll(benchmark::State &state)
{
    const QString path = QString::fromStdString(Data().TalkTable.string());
    {
        CTLK warm;
        warm.Load(Data().TalkTable.string());
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        TFrm_TLK window;
        window.OpenFile(path);
        window.Btn_ViewAll->click();
        benchmark::DoNotOptimize(window.grab());
        rows = std::size_t(window.ListRes->model()->rowCount());
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_TalkTableViewAll)->Unit(benchmark::kMillisecond)->UseRealTime();

// A text search over the whole table ("sword", in any letter case).
void BM_TalkTableTextSearch(benchmark::State &state)
{
    CTLK table;
    table.Load(Data().TalkTable.string());
    std::size_t found = 0;
    for (auto _ : state) {
        found = table.Search("SWORD").size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
}
BENCHMARK(BM_TalkTableTextSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// "Extract file(s) to .." of the ERF viewer with every row selected: the
// export the user starts after Ctrl+A, progress window included.
void BM_ErfViewerExtractSelected(benchmark::State &state)
{
    const fs::path out = Data().Root / "extracted";
    const TFolderHandler previous =
        SetFolderHandler([&out](const TFolderRequest &) { return QString::fromStdString(out.string()); });
    TFrm_MODView viewer;
    viewer.OpenFile(QString::fromStdString(Data().Archive.string()));
    viewer.ListRes->selectAll();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::create_directories(out);
        state.ResumeTiming();
        viewer.ExtractToClick();
    }
    state.counters["files"] = double(std::distance(fs::directory_iterator(out), fs::directory_iterator()));
    fs::remove_all(out);
    SetFolderHandler(previous);
}
BENCHMARK(BM_ErfViewerExtractSelected)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The reader's part of the same export, without the window.
void BM_CoreExtractEntries(benchmark::State &state)
{
    const fs::path out = Data().Root / "extracted";
    CMOD archive;
    archive.Open(Data().Archive.string());
    std::vector<int> rows(archive.Entries.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = int(i);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::create_directories(out);
        state.ResumeTiming();
        archive.ExtractEntries(rows, out.string());
    }
    fs::remove_all(out);
}
BENCHMARK(BM_CoreExtractEntries)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// cp -r of the same files, for comparison.
void BM_CopyTheSameFiles(benchmark::State &state)
{
    const fs::path out = Data().Root / "copied";
    const std::string command = "cp -r '" + Data().LooseFiles.string() + "' '" + out.string() + "'";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp -r failed");
    }
    fs::remove_all(out);
}
BENCHMARK(BM_CopyTheSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

constexpr int kDroppedFiles = 5000;

std::vector<fs::path> DroppedFiles()
{
    std::vector<fs::path> files;
    for (int i = 0; i < kDroppedFiles; ++i)
        files.push_back(Data().LooseFiles / ("res" + std::to_string(i) + ".txt"));
    return files;
}

// A drop of 5,000 files from the file list on a new packer archive, progress
// window and rows included.
void BM_PackerDropOfManyFiles(benchmark::State &state)
{
    auto *mime = new QMimeData;
    QList<QUrl> urls;
    for (const fs::path &file : DroppedFiles())
        urls << QUrl::fromLocalFile(QString::fromStdString(file.string()));
    mime->setUrls(urls);
    mime->setData(TFrm_MODEdit::kFilesMimeType, "1");
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto packer = std::make_unique<TFrm_MODEdit>();
        packer->NewErf1Click();
        state.ResumeTiming();
        packer->ListResDragDrop(mime);
        state.PauseTiming();
        rows = std::size_t(packer->ListRes->RowCount());
        packer.reset();
        state.ResumeTiming();
    }
    delete mime;
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_PackerDropOfManyFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Reading the same files, for comparison.
void BM_ReadTheDroppedFiles(benchmark::State &state)
{
    std::size_t bytes = 0;
    for (auto _ : state)
        for (const fs::path &file : DroppedFiles())
            bytes += ReadWholeFile(file.string()).size();
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ReadTheDroppedFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TApplication app(argc, argv);
    CreateData();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClearTalkTableCache();
    if (!std::getenv("QUORLIN_BENCH_DIR"))
        fs::remove_all(Data().Root);
    return 0;
}
