// Benchmarks of the talk table reader and the GFF reader on data of a real
// game's size: a dialog.tlk of 120,000 entries (about 10 MB) and a blueprint
// of 2,000 fields whose string references point into it.
//
// Environment:
//   QUORLIN_BENCH_DIR    folder for the data (default /dev/shm/quorlin-formats-bench-<pid>);
//                        created, and removed at the end
//   QUORLIN_BENCH_KEEP   when 1, the data is kept at the end

#include "BenchSupport.h"

#include "app/UMessage.h"
#include "formats/UCTLK.h"
#include "formats/UCUT.h"

#include "testdata/ByteBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/TlkBuilder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>


namespace fs = std::filesystem;

namespace {

constexpr int TalkTableEntries = 120000;
constexpr int BlueprintFields = 2000;

struct FormatsData {
    fs::path Root;
    fs::path GameFolder;  // holds dialog.tlk
    fs::path TalkTable;
    fs::path Blueprint;   // 2,000 fields
    std::uint64_t TalkTableBytes = 0;
};

FormatsData g_data;

// ---------------------------------------------------------------- data

// Made-up text of the given length from a small vocabulary.
class TextMaker {
public:
    explicit TextMaker(unsigned seed) : m_random(seed) {}

    std::string Text(std::size_t length)
    {
        static const char *const Words[] = {"the", "road", "north", "is", "closed", "by", "order", "of",
                                            "captain", "and", "no", "traveller", "may", "pass", "until",
                                            "spring", "a", "sword", "forged", "in", "river", "fire",
                                            "whispers", "old", "names", "when", "drawn", "merchant",
                                            "asks", "for", "gold", "silver", "bread", "lantern"};
        std::string text;
        while (text.size() < length) {
            if (!text.empty())
                text += Pick(8) == 0 ? ". " : " ";
            text += Words[Pick(sizeof Words / sizeof *Words)];
        }
        text.resize(length);
        if (!text.empty())
            text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text;
    }

    // Names, dialogue lines and descriptions in the proportions of a game's table.
    std::size_t Length()
    {
        const int kind = Pick(100);
        if (kind < 55)
            return 4 + Pick(17);
        if (kind < 93)
            return 20 + Pick(81);
        return 120 + Pick(381);
    }

    int Pick(std::size_t count) { return static_cast<int>(m_random() % count); }

private:
    std::mt19937 m_random;
};

void WriteTalkTable(const fs::path &path)
{
    TextMaker maker(20250601u);
    testdata::TlkBuilder tlk;
    tlk.Entries.reserve(TalkTableEntries);
    tlk.Add("", "Bad Strref");
    for (int i = 1; i < TalkTableEntries; ++i) {
        const std::string sound = maker.Pick(5) == 0 ? "vs_line_" + std::to_string(i) : std::string();
        tlk.Add(sound, maker.Text(maker.Length()));
    }
    tlk.WriteTo(path);
}

// A creature blueprint of 2,000 fields: 400 at the top level, among them
// localized strings that name talk-table entries, and a list of 200 items of
// 8 fields each.
void WriteBlueprint(const fs::path &path)
{
    TextMaker maker(7u);
    testdata::GffBuilder gff("UTC ");
    int fields = 0;
    for (int i = 0; fields < 400; ++i) {
        const std::string label = "Field" + std::to_string(i);
        switch (i % 8) {
        case 0: gff.Byte(0, label, static_cast<std::uint8_t>(i)); break;
        case 1: gff.Int(0, label, -i); break;
        case 2: gff.Float(0, label, 0.1f * static_cast<float>(i)); break;
        case 3: gff.String(0, label, maker.Text(20)); break;
        case 4: gff.ResRef(0, label, "res_" + std::to_string(i)); break;
        case 5: gff.LocString(0, label, static_cast<std::uint32_t>(1 + 50 * i)); break;
        case 6: gff.LocString(0, label, 0xFFFFFFFF, {{0, maker.Text(40)}}); break;
        default: gff.DWord(0, label, static_cast<std::uint32_t>(1000 + i)); break;
        }
        ++fields;
    }
    std::vector<int> items;
    for (int item = 0; item < 200; ++item) {
        const int element = gff.AddStruct(static_cast<std::uint32_t>(item));
        gff.ResRef(element, "InventoryRes", "it_item_" + std::to_string(item));
        gff.Word(element, "Repos_PosX", static_cast<std::uint16_t>(item % 10));
        gff.Word(element, "Repos_PosY", static_cast<std::uint16_t>(item / 10));
        gff.Byte(element, "Dropable", 1);
        gff.Byte(element, "Pickpocketable", 0);
        gff.LocString(element, "Name", static_cast<std::uint32_t>(100 + item));
        gff.DWord(element, "Cost", static_cast<std::uint32_t>(item * 3));
        gff.Float(element, "Weight", 1.5f);
        items.push_back(element);
        fields += 8;
    }
    gff.List(0, "ItemList", items);
    if (fields != BlueprintFields)
        throw std::logic_error("the blueprint does not hold 2,000 fields");
    gff.WriteTo(path);
}

FormatsData CreateData(const fs::path &root)
{
    FormatsData data;
    data.Root = root;
    data.GameFolder = root / "game";
    data.TalkTable = data.GameFolder / "dialog.tlk";
    data.Blueprint = root / "blueprint.utc";
    fs::create_directories(data.GameFolder);
    WriteTalkTable(data.TalkTable);
    WriteBlueprint(data.Blueprint);
    data.TalkTableBytes = fs::file_size(data.TalkTable);
    return data;
}

// ---------------------------------------------------------------- benchmarks

// The first load of the game's dialog.tlk in a process: read and split into entries.
void TalkTableCold(benchmark::State &state)
{
    std::unique_ptr<CTLK> table;
    for (auto _ : state) {
        state.PauseTiming();
        table.reset();
        ClearTalkTableCache();
        state.ResumeTiming();
        table = std::make_unique<CTLK>();
        table->Load(g_data.TalkTable.string());
        if (table->Count() != TalkTableEntries)
            state.SkipWithError("wrong entry count");
    }
    table.reset();
    ClearTalkTableCache();
    malloc_trim(0);
    const double before = CurrentMemoryMB();
    {
        CTLK measured;
        measured.Load(g_data.TalkTable.string());
        state.counters["table_MB"] = CurrentMemoryMB() - before;
    }
    ClearTalkTableCache();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_data.TalkTableBytes));
    state.counters["entries"] = TalkTableEntries;
    state.counters["file_MB"] = static_cast<double>(g_data.TalkTableBytes) / 1e6;
}

// Every later load of the unchanged file: the shared table is handed out.
void TalkTableCached(benchmark::State &state)
{
    ClearTalkTableCache();
    CTLK warm;
    warm.Load(g_data.TalkTable.string());
    for (auto _ : state) {
        CTLK table;
        table.Load(g_data.TalkTable.string());
        benchmark::DoNotOptimize(table.Entries().data());
    }
    ClearTalkTableCache();
}

// Opening a blueprint as a GFF window does: a new CUT (the game's talk table,
// cached) and its Load; with the text dump when state.range(0) is 1.
void GffOpen(benchmark::State &state)
{
    ClearTalkTableCache();
    CTLK warm;
    warm.Load(CTLK::GameTalkTablePath());
    if (warm.Count() != TalkTableEntries) {
        state.SkipWithError("the game's talk table was not found");
        return;
    }
    std::size_t entries = 0, lines = 0;
    for (auto _ : state) {
        CUT cut;
        cut.MakeText = state.range(0) != 0;
        cut.Load(g_data.Blueprint.string());
        entries = cut.Entries.size();
        lines = cut.Lines.size();
    }
    state.counters["fields"] = BlueprintFields;
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["lines"] = static_cast<double>(lines);
    ClearTalkTableCache();
}

// The command-line tool: a new process reads the talk table and the blueprint.
void GffListProcess(benchmark::State &state)
{
    for (auto _ : state)
        if (RunProcess({QUORLIN_CLI_PATH, "gff", "list", g_data.Blueprint.string()}).ExitCode != 0)
            state.SkipWithError("quorlin gff list failed");
}

void TlkSearchProcess(benchmark::State &state)
{
    for (auto _ : state)
        if (RunProcess({QUORLIN_CLI_PATH, "tlk", "search", g_data.TalkTable.string(), "SWORD forged"}).ExitCode != 0)
            state.SkipWithError("quorlin tlk search failed");
}

void RegisterAll()
{
    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("TLK cold load, 120,000 entries (ClearTalkTableCache + CTLK::Load)", TalkTableCold)
        ->Unit(kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("TLK cached load (CTLK::Load, unchanged file)", TalkTableCached)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("GFF open, 2,000 fields (CUT() + Load), grid only", GffOpen)
        ->Arg(0)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("GFF open, 2,000 fields (CUT() + Load), grid and dump", GffOpen)
        ->Arg(1)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("quorlin gff list of the blueprint (process, talk table read once)",
                                 GffListProcess)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(20);
    benchmark::RegisterBenchmark("quorlin tlk search (process)", TlkSearchProcess)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(20);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarksOnData(argc, argv, "quorlin-formats-bench", [](const fs::path &root) {
        g_data = CreateData(root);
        ::setenv("QUORLIN_GAME_FOLDER", g_data.GameFolder.c_str(), 1);
        std::fprintf(stderr, "dialog.tlk: %d entries, %.1f MB; blueprint: %d fields, %ju bytes\n",
                     TalkTableEntries, static_cast<double>(g_data.TalkTableBytes) / 1e6, BlueprintFields,
                     static_cast<std::uintmax_t>(fs::file_size(g_data.Blueprint)));
        RegisterAll();
    });
}
