// The sound set viewer, driven through real widgets, with a talk table in a
// temporary game folder.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "formats/UCTLK.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_UTX.h"

#include "testdata/GffBuilder.h"

#include "testdata/SsfBuilder.h"
#include "testdata/TlkBuilder.h"

#include <QByteArray>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

using testdata::SsfBuilder;
using testdata::TlkBuilder;


QList<QStringList> ReadRows(const TFrm_SSF &viewer)
{
    QList<QStringList> rows;
    const QAbstractItemModel *model = viewer.ListRes->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells;
    }
    return rows;
}

} // namespace

class SoundSetViewerTest : public TGameFolderTest {
protected:
    // dialog.tlk of the game: entry 0 holds the text at the start of the
    // string block, which is never shown; entries 1 to 3 are the ones used.
    void WriteTalkTable() const
    {
        TlkBuilder talk;
        talk.Add("", "Never shown");
        talk.Add("vs_hello", "Hello there");  // 1: a sound: the sound wins
        talk.Add("", "Goodbye, friend");     // 2: no sound: the text
        talk.Add("   ", "Blank sound name"); // 3: a sound of blanks only: the text
        talk.WriteTo(GameFolder() / "dialog.tlk");
    }

    // A sound set of four slots; its TableOffset field holds nonsense.
    std::string WriteSoundSet(const std::string &name) const
    {
        SsfBuilder sounds;
        sounds.Add("vs_fem_attack", 1);
        sounds.Add("vs_fem_bye", 2);
        sounds.Add("", 3);
        sounds.Add("vs_fem_none", SsfBuilder::NoStringRef);
        sounds.TableOffsetField = 0x1234;
        const std::string path = ProgramFolder() + name;
        sounds.WriteTo(path);
        return path;
    }

    std::unique_ptr<TFrm_SSF> ShowViewer()
    {
        auto viewer = std::make_unique<TFrm_SSF>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        return viewer;
    }
};

TEST_F(SoundSetViewerTest, NewViewerHasItsCaptionAndThreeColumns)
{
    TFrm_SSF viewer;
    EXPECT_EQ(viewer.windowTitle(), "SSF Preview");
    EXPECT_EQ(viewer.size(), QSize(530, 316));
    const QAbstractItemModel *model = viewer.ListRes->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "ID");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "ResName");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "TLKREF");
    EXPECT_EQ(viewer.ListRes->horizontalHeader()->sectionSize(0), 50);
    EXPECT_EQ(viewer.ListRes->horizontalHeader()->sectionSize(1), 150);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(viewer.ListRes->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(viewer.ListRes->showGrid());
    EXPECT_EQ(viewer.ListRes->horizontalHeader()->sectionResizeMode(2), QHeaderView::Interactive);
}

TEST_F(SoundSetViewerTest, FileCommandListsEverySlotWithItsTalkTableAnswer)
{
    WriteTalkTable();
    auto main = CreateMainWindow();
    OpenFileAnswers = {QString::fromStdString(WriteSoundSet("vs_female.ssf"))};
    ClickMenuCommand(main.get(), {"File1", "SSF1"}, "OpenSSF");

    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *viewer = qobject_cast<TFrm_SSF *>(children[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "SSF Preview - vs_female.ssf");
    const QList<QStringList> rows = ReadRows(*viewer);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], QStringList({"0", "vs_fem_attack", "vs_hello"}));
    EXPECT_EQ(rows[1], QStringList({"1", "vs_fem_bye", "Goodbye, friend"}));
    EXPECT_EQ(rows[2], QStringList({"2", "", "Blank sound name"}));
    EXPECT_EQ(rows[3], QStringList({"3", "vs_fem_none", ""}));
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(SoundSetViewerTest, HeaderCountGivesTheRowsNumberedFromZero)
{
    SsfBuilder sounds;
    for (int slot = 0; slot < 49; ++slot)
        sounds.Add("snd_" + std::to_string(slot), std::uint32_t(slot));
    sounds.TableOffsetField = 0;
    sounds.EntriesReversed = true;
    const std::string path = ProgramFolder() + "many.ssf";
    sounds.WriteTo(path);

    auto viewer = ShowViewer();
    viewer->OpenFile(QString::fromStdString(path));
    const QList<QStringList> rows = ReadRows(*viewer);
    ASSERT_EQ(rows.size(), 49);
    for (int slot = 0; slot < 49; ++slot) {
        EXPECT_EQ(rows[slot][0], QString::number(slot));
        EXPECT_EQ(rows[slot][1], QString("snd_%1").arg(slot));
        EXPECT_EQ(rows[slot][2], "") << "no talk table in the game folder";
    }
}

TEST_F(SoundSetViewerTest, TalkTableIsReadWhenTheWindowIsCreated)
{
    WriteTalkTable();
    auto viewer = ShowViewer();
    // The talk table changes after the window exists: the window keeps the one it read.
    TlkBuilder other;
    other.Add("", "x");
    other.Add("vs_other", "Other");
    other.WriteTo(GameFolder() / "dialog.tlk");
    ClearTalkTableCache();

    viewer->OpenFile(QString::fromStdString(WriteSoundSet("vs_female.ssf")));
    const QList<QStringList> rows = ReadRows(*viewer);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0][2], "vs_hello");
    EXPECT_EQ(rows[1][2], "Goodbye, friend");

    // A window created now reads the new table.
    TFrm_SSF later;
    later.OpenFile(QString::fromStdString(WriteSoundSet("vs_female.ssf")));
    const QList<QStringList> laterRows = ReadRows(later);
    ASSERT_EQ(laterRows.size(), 4);
    EXPECT_EQ(laterRows[0][2], "vs_other");
    EXPECT_EQ(laterRows[1][2], "");
}

// A talk table that cannot be read is like a missing one, for the sound set
// viewer and the GFF viewer alike: their talk-table texts stay empty.
TEST_F(SoundSetViewerTest, AnUnreadableTalkTableLeavesTheTextsEmptyInBothViewers)
{
    WriteTalkTable();
    fs::permissions(GameFolder() / "dialog.tlk", fs::perms::none);
    testdata::GffBuilder gff("UTI ");
    gff.LocString(0, "Said", 2, {});
    gff.WriteTo(ProgramFolder() + "said.uti");
    TScopedPermissionsObeyed obeyed;
    ASSERT_FALSE(std::ifstream(GameFolder() / "dialog.tlk").is_open()) << "the talk table is still readable";

    auto viewer = ShowViewer();
    viewer->OpenFile(QString::fromStdString(WriteSoundSet("vs_female.ssf")));
    const QList<QStringList> rows = ReadRows(*viewer);
    ASSERT_EQ(rows.size(), 4);
    for (const QStringList &row : rows)
        EXPECT_EQ(row[2], "");
    TFrm_UTX gffViewer;
    gffViewer.OpenFile(QString::fromStdString(ProgramFolder() + "said.uti"));
    ASSERT_EQ(gffViewer.ListRes->model()->rowCount(), 2);
    EXPECT_EQ(gffViewer.ListRes->model()->index(1, 3).data().toString(), "");
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(SoundSetViewerTest, MissingFileListsNothingAndTheCaptionStillNamesIt)
{
    WriteTalkTable();
    auto main = CreateMainWindow();
    OpenFileAnswers = {QString::fromStdString(ProgramFolder() + "gone.ssf")};
    ClickMenuCommand(main.get(), {"File1", "SSF1"}, "OpenSSF");

    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *viewer = qobject_cast<TFrm_SSF *>(children[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "SSF Preview - gone.ssf");
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 0);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(SoundSetViewerTest, TlkRefColumnTakesTheRestOfTheListOnResize)
{
    auto viewer = ShowViewer();
    QHeaderView *header = viewer->ListRes->horizontalHeader();
    const auto expectRest = [&](const char *when) {
        EXPECT_EQ(viewer->ListRes->width(), viewer->width()) << when;
        EXPECT_EQ(header->sectionSize(2),
                  viewer->ListRes->width() - header->sectionSize(0) - header->sectionSize(1) - 20)
            << when;
    };
    EXPECT_EQ(header->sectionSize(2), 530 - 50 - 150 - 20);
    expectRest("shown");

    viewer->resize(700, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->ListRes->width() == 700; }, 2000));
    EXPECT_EQ(header->sectionSize(2), 700 - 50 - 150 - 20);

    // The user widens "ResName"; the next resize gives "TLKREF" what is left.
    header->resizeSection(1, 230);
    viewer->resize(800, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->ListRes->width() == 800; }, 2000));
    EXPECT_EQ(header->sectionSize(1), 230);
    EXPECT_EQ(header->sectionSize(2), 800 - 50 - 230 - 20);
    expectRest("after widening ResName");

    // Loading keeps the widths.
    viewer->OpenFile(QString::fromStdString(WriteSoundSet("vs_female.ssf")));
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 4);
    EXPECT_EQ(header->sectionSize(0), 50);
    EXPECT_EQ(header->sectionSize(1), 230);
    EXPECT_EQ(header->sectionSize(2), 800 - 50 - 230 - 20);
}
