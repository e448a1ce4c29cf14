// Stopping long work between two files: what was written stays whole, nothing
// is half-written, and a save that is stopped keeps the previous archive.
#include "CoreTestSupport.h"

#include "app/UCancel.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "packer/UCMODPAK.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <functional>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using coretest::CoreTest;
using coretest::EntriesBelow;

namespace {

class CancelTest : public CoreTest {
protected:
    ~CancelTest() override { CancelRequest().store(false); }
};

// Each export is asked to stop while it writes its third file (the way Ctrl+C
// arrives): that file is finished, the fourth is never begun.
TEST_F(CancelTest, ExportsStopAfterTheFileBeingWritten)
{
    const std::string text(100000, 'x');
    testdata::ErfBuilder erf("ERF ");
    testdata::KeyBifBuilder key;
    const int bif = key.AddBif("data\\texts.bif");
    CMODPAK pak;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "file" + std::to_string(i);
        erf.Add(name, rt::TXT, text);
        key.AddResource(bif, name, rt::TXT, text);
        testdata::WriteFile(dir.Path() / (name + ".txt"), text);
        pak.AddFile(dir / (name + ".txt"));
    }
    erf.WriteTo(dir.Path() / "texts.erf");
    key.WriteTo(dir.Path());
    CMOD archive;
    ASSERT_TRUE(archive.Open(dir / "texts.erf"));
    CKEY_FILE index;
    ASSERT_TRUE(index.Open(dir / "chitin.key"));

    int started = 0;
    auto third = [&started] {
        if (++started == 3)
            CancelRequest().store(true);
    };
    archive.OnExtract = [&](CMOD &) { third(); };
    index.OnExtract = [&](CKEY_FILE &) { third(); };
    pak.OnExport = [&](CMODPAK &) { third(); };
    const std::pair<const char *, std::function<void(const std::string &)>> exports[] = {
        {"ERF extract all", [&](const std::string &out) { archive.ExtractAll(out); }},
        {"ERF extract rows", [&](const std::string &out) { archive.ExtractEntries({5, 4, 3, 2, 1, 0}, out); }},
        {"BIF extract", [&](const std::string &out) { index.ExtractBif(bif, out); }},
        {"packer export", [&](const std::string &out) { pak.ExportAll(out); }},
    };
    for (const auto &[what, run] : exports) {
        started = 0;
        CancelRequest().store(false);
        const fs::path out = dir.Path() / what;
        fs::create_directories(out);
        EXPECT_THROW(run(out.string()), ECancelled) << what;
        const std::set<std::string> written = EntriesBelow(out);
        EXPECT_EQ(written.size(), 3u) << what;
        for (const std::string &name : written)
            EXPECT_EQ(testdata::ReadFile(out / name), text) << what << " " << name;
    }
}

TEST_F(CancelTest, AStoppedSaveKeepsThePreviousArchiveAndLeavesNoTemporaryFile)
{
    testdata::WriteFile(dir.Path() / "a.txt", "alpha");
    CMODPAK pak;
    pak.Kind = akERF;
    pak.AddFile(dir / "a.txt");
    testdata::WriteFile(dir.Path() / "out.erf", "previous");
    const std::set<std::string> before = EntriesBelow(dir.Path());
    CancelRequest().store(true);
    EXPECT_THROW(pak.Save(dir / "out.erf"), ECancelled);
    EXPECT_EQ(testdata::ReadFile(dir.Path() / "out.erf"), "previous");
    EXPECT_EQ(EntriesBelow(dir.Path()), before);
}

} // namespace
