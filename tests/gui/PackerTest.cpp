// The packer window, driven through its real widgets: archives of each kind
// built from dropped files and written byte for byte, rows moved between two
// windows, remove, export, and the questions and dialogs of saving and closing.
#include "BrowserTestSupport.h"

#include "app/UApplication.h"
#include "app/UMain.h"
#include "archives/UCMOD.h"
#include "packer/UFrm_ModEdit.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <functional>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

class PackerTest : public TBrowserTest {
protected:
    void SetUp() override
    {
        TBrowserTest::SetUp();
        m_previousSave = SetSaveFileHandler([this](const TSaveFileRequest &request) {
            SaveRequests.push_back(request);
            if (SaveAnswers.empty())
                return QString();
            const QString answer = SaveAnswers.front();
            SaveAnswers.pop_front();
            return answer;
        });
    }
    void TearDown() override
    {
        SetSaveFileHandler(std::move(m_previousSave));
        TBrowserTest::TearDown();
    }

    std::unique_ptr<TFrm_MODEdit> Packer()
    {
        auto packer = std::make_unique<TFrm_MODEdit>();
        packer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(packer.get()));
        return packer;
    }

    // A file in the test's folder, as the file list would drag it.
    fs::path Source(const std::string &name, const std::string &bytes) const
    {
        const fs::path path = fs::path(ProgramFolder()) / "files" / name;
        fs::create_directories(path.parent_path());
        testdata::WriteFile(path, bytes);
        return path;
    }

    // Drops mime on the packer's list the way the window system delivers a drag:
    // it enters the list, then drops.
    static void Drop(TFrm_MODEdit &packer, QMimeData *mime)
    {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(packer.ListRes->viewport(), &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(packer.ListRes->viewport(), &drop);
        delete mime;
    }

    // The drag data of files from a packer's file list (marked), or from elsewhere.
    static QMimeData *Files(const std::vector<fs::path> &paths, bool fromPackerList = true)
    {
        auto *mime = new QMimeData;
        QList<QUrl> urls;
        for (const fs::path &path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
        mime->setUrls(urls);
        if (fromPackerList)
            mime->setData(TFrm_MODEdit::kFilesMimeType, "1");
        return mime;
    }

    static QStringList Names(const TFrm_MODEdit &packer)
    {
        QStringList names;
        for (int row = 0; row < packer.ListRes->RowCount(); ++row)
            names << Cell(packer.ListRes, row, 0) + "." + Cell(packer.ListRes, row, 1);
        return names;
    }

    std::deque<QString> SaveAnswers;
    std::vector<TSaveFileRequest> SaveRequests;

private:
    TSaveFileHandler m_previousSave;
};

// A new archive of each kind: the fields of its kind, dropped files, the save
// dialog's filter and proposal, and the file written exactly as the layout says.
TEST_F(PackerTest, NewArchivesOfEachKindAreSavedByteForByte)
{
    struct Case {
        const char *Kind;
        std::function<void(TFrm_MODEdit &)> New;
        QString Proposal, Filter;
        bool Title, Description; // fields enabled
        std::vector<testdata::ErfString> Strings;
    };
    const Case cases[] = {
        {"ERF ", [](TFrm_MODEdit &p) { p.NewErf1Click(); }, "NewErf.erf", "*.erf (*.[Ee][Rr][Ff])", false, false, {}},
        {"MOD ", [](TFrm_MODEdit &p) { p.NewMOD1Click(); }, "NewMod.mod", "*.mod (*.[Mm][Oo][Dd])", false, true,
         {{0, "Typed"}}},
        {"HAK ", [](TFrm_MODEdit &p) { p.NewHAK1Click(); }, "NewHak.hak", "*.hak (*.[Hh][Aa][Kk])", true, true,
         {{0, testdata::ErfBuilder::HakText("T", "U", "Typed")}}},
    };
    const fs::path first = Source("alpha.txt", "alpha bytes"), second = Source("beta.utc", std::string(300, 'b'));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Kind);
        auto packer = Packer();
        c.New(*packer);
        EXPECT_EQ(packer->windowTitle(), "Quorlin Packer - " + c.Proposal);
        EXPECT_EQ(packer->Edit1->isEnabled(), c.Title);
        EXPECT_EQ(packer->Memo1->isEnabled(), c.Description);
        EXPECT_FALSE(packer->New1->isEnabled());
        EXPECT_TRUE(packer->Save1->isEnabled());
        if (c.Title) {
            EXPECT_EQ(packer->Edit1->text(), "Your Title goes here");
            EXPECT_EQ(packer->Edit2->text(), "http://");
            packer->Edit1->setText("T");
            packer->Edit2->setText("U");
        }
        if (c.Description) {
            EXPECT_EQ(packer->Memo1->toPlainText(), "Your Description goes here");
            packer->Memo1->setPlainText("Typed");
        }
        Drop(*packer, Files({first, second}));
        ASSERT_EQ(Names(*packer), QStringList({"alpha.txt", "beta.utc"}));

        const fs::path saved = NewFolder(std::string(c.Kind, 3)) / "pack";
        SaveAnswers.push_back(QString::fromStdString(saved.string()));
        packer->SaveClick();
        ASSERT_FALSE(SaveRequests.empty());
        EXPECT_EQ(SaveRequests.back().StartPath, c.Proposal);
        EXPECT_EQ(SaveRequests.back().Filter, c.Filter);
        EXPECT_FALSE(packer->Untitled());

        testdata::ErfBuilder expected(c.Kind);
        expected.BuildYear = 102;
        expected.BuildDay = 0;
        expected.Strings = c.Strings;
        expected.Add("alpha", rt::TXT, "alpha bytes");
        expected.Add("beta", rt::UTC, std::string(300, 'b'));
        const fs::path written = saved.string() + c.Proposal.right(4).toStdString();
        EXPECT_EQ(ReadBytes(written), expected.Build());
        EXPECT_EQ(packer->windowTitle(), "Quorlin Packer - pack");
    }
    EXPECT_TRUE(ShownMessages.empty());
}

// Dropped files follow the writer's rules; anything but a packer's file list is refused.
TEST_F(PackerTest, DropsFollowTheWritersRulesAndTheStatusCountsTheFiles)
{
    auto packer = Packer();
    EXPECT_FALSE(packer->AcceptsDrop(Files({Source("early.txt", "x")}))) << "no archive open";
    packer->NewErf1Click();
    Drop(*packer, Files({Source("sixteen_chars_ok.txt", "1234"), Source("seventeen_chars_x.txt", "x"),
                         Source("picture.jpg", "x"), Source("a.utc", "12345678"), Source("A.UTC", "x")}));
    EXPECT_EQ(Names(*packer), QStringList({"sixteen_chars_ok.txt", "a.utc"}));
    // Files from elsewhere (no marker of a packer's file list) are refused.
    Drop(*packer, Files({Source("elsewhere.txt", "x")}, false));
    EXPECT_EQ(packer->ListRes->RowCount(), 2);
    EXPECT_EQ(packer->StatusBar1->text(), "File Count: 2  File Size: 172 bytes"); // 4 + 8 + 160
    EXPECT_EQ(SeenProgress.front().Caption, "Adding Resources");
    EXPECT_TRUE(SeenProgress.back().Status.endsWith("A.UTC"));
}

// Rows dragged to another packer window are copied: the two archives stay
// independent. A window refuses its own rows.
TEST_F(PackerTest, TwoWindowsExchangeRowsAndStayIndependent)
{
    auto from = Packer();
    auto to = Packer();
    from->NewMOD1Click();
    to->NewHAK1Click();
    Drop(*from, Files({Source("one.txt", "first"), Source("two.2da", "second")}));
    from->ListRes->selectAll();
    EXPECT_FALSE(from->AcceptsDrop(from->RowsMimeData({0, 1})));
    Drop(*to, from->RowsMimeData({0, 1}));
    Drop(*to, from->RowsMimeData({1})); // already there: skipped
    ASSERT_EQ(Names(*to), QStringList({"one.txt", "two.2da"}));

    MessageAnswers.push_back(QMessageBox::Yes);
    from->ListRes->selectAll();
    from->Remove1Click();
    EXPECT_EQ(from->ListRes->RowCount(), 0);
    ASSERT_EQ(to->Writer()->Entries().size(), 2u);
    EXPECT_EQ(to->Writer()->Entries()[1].Data, "second");
}

TEST_F(PackerTest, RemovingAsksFirstAndExportsWriteTheEntriesHeld)
{
    auto packer = Packer();
    packer->NewErf1Click();
    Drop(*packer, Files({Source("keep.txt", "kept"), Source("gone.txt", "gone")}));

    // The Delete key asks as the menu does; No keeps everything.
    packer->ListRes->SetFocusedRow(1);
    MessageAnswers = {QMessageBox::No, QMessageBox::Yes};
    QTest::keyClick(packer->ListRes, Qt::Key_Delete);
    EXPECT_EQ(packer->ListRes->RowCount(), 2);
    QTest::keyClick(packer->ListRes, Qt::Key_Delete);
    EXPECT_EQ(Names(*packer), QStringList({"keep.txt"}));
    ASSERT_EQ(ShownMessages.size(), 2u);
    EXPECT_EQ(ShownMessages[0].Text, "Remove the selected resources ?");
    EXPECT_EQ(ShownMessages[0].Buttons, QMessageBox::Yes | QMessageBox::No);

    Drop(*packer, Files({Source("late.txt", "late")}));
    const fs::path selected = NewFolder("selected"), all = NewFolder("all");
    FolderAnswers = {QString::fromStdString(selected.string()), QString::fromStdString(all.string())};
    packer->ListRes->SetFocusedRow(1);
    packer->Export1Click();
    packer->ExportAll1Click();
    EXPECT_EQ(FilesIn(selected), std::set<std::string>({"late.txt"}));
    EXPECT_EQ(FilesIn(all), std::set<std::string>({"keep.txt", "late.txt"}));
    EXPECT_EQ(ReadBytes(all / "keep.txt"), "kept");
    EXPECT_EQ(FolderRequests.back().Caption, "Export to");
}

// Save as another kind: the proposal, the fields of the new kind, and the
// opened HAK's texts dropped from the ERF written.
TEST_F(PackerTest, SaveAsAnotherKindProposesItsNameAndDropsTheTextsOfAnErf)
{
    testdata::ErfBuilder hak("HAK ");
    hak.AddString(0, testdata::ErfBuilder::HakText("Old title", "http://x", "Old text"));
    hak.AddString(2, "Zwei");
    hak.Add("res", rt::TXT, "data");
    const fs::path folder = NewFolder("kind");
    hak.WriteTo(folder / "pack.hak");
    auto packer = Packer();
    OpenFileAnswers.push_back(QString::fromStdString((folder / "pack.hak").string()));
    packer->OpenClick();
    ASSERT_EQ(packer->Kind(), akHAK);
    EXPECT_EQ(packer->Edit1->text(), "Old title");
    EXPECT_EQ(packer->StatusBar1->text(), "File Count: 1  File Size: 189 bytes"); // 4 + 9 + 8 + 8 + 160

    SaveAnswers.push_back(QString::fromStdString((folder / "pack.erf").string()));
    packer->SaveasERF1Click();
    EXPECT_EQ(SaveRequests.back().StartPath, QString::fromStdString((folder / "pack.erf").string()));
    EXPECT_EQ(packer->Kind(), akERF);
    EXPECT_FALSE(packer->Memo1->isEnabled());
    EXPECT_EQ(packer->Edit1->text(), "");
    EXPECT_EQ(packer->windowTitle(), "Quorlin Packer - pack.erf");
    testdata::ErfBuilder erf = hak;
    erf.FileType = "ERF ";
    erf.Strings = {{2, "Zwei"}};
    EXPECT_EQ(ReadBytes(folder / "pack.erf"), erf.Build());
    EXPECT_EQ(ReadBytes(folder / "pack.hak"), hak.Build()) << "the opened archive is left alone";

    // Saving over an existing file asks first; No writes nothing.
    SaveAnswers.push_back(QString::fromStdString((folder / "pack.hak").string()));
    MessageAnswers.push_back(QMessageBox::No);
    packer->Saveas1Click();
    EXPECT_EQ(ShownMessages.back().Text, "Override existing file ?");
    EXPECT_EQ(ReadBytes(folder / "pack.hak"), hak.Build());
    EXPECT_EQ(packer->Kind(), akERF);
}

// A save that fails keeps the previous archive and everything in the window.
TEST_F(PackerTest, AFailedSaveKeepsThePreviousFileAndTheWindowsContents)
{
    const fs::path folder = NewFolder("locked");
    testdata::WriteFile(folder / "pack.erf", "previous");
    auto packer = Packer();
    packer->NewErf1Click();
    Drop(*packer, Files({Source("res.txt", "data")}));
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        TScopedPermissionsObeyed obeyed;
        SaveAnswers.push_back(QString::fromStdString((folder / "pack.erf").string()));
        MessageAnswers.push_back(QMessageBox::Yes); // override
        EXPECT_ANY_THROW(packer->Saveas1Click());
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(folder / "pack.erf"), "previous");
    EXPECT_EQ(FilesIn(folder), std::set<std::string>({"pack.erf"}));
    EXPECT_TRUE(packer->Untitled());
    EXPECT_EQ(Names(*packer), QStringList({"res.txt"}));
}

// Closing asks to save an archive with rows; a file of another kind opens nothing.
TEST_F(PackerTest, ClosingAsksToSaveAndAnOpenThatFindsNoKindLeavesTheWindowClosed)
{
    auto main = CreateMainWindow();
    main->Packer1Click();
    QMdiSubWindow *child = main->MdiArea()->subWindowList().front();
    auto *packer = qobject_cast<TFrm_MODEdit *>(child->widget());
    ASSERT_NE(packer, nullptr);
    EXPECT_TRUE(child->isMaximized());
    EXPECT_EQ(packer->windowTitle(), "Quorlin Packer");

    const fs::path other = NewFolder("other") / "blueprint.mod";
    testdata::WriteFile(other, "UTI V3.2" + std::string(200, '\0'));
    OpenFileAnswers.push_back(QString::fromStdString(other.string()));
    packer->OpenClick();
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(packer->Writer(), nullptr);
    EXPECT_TRUE(packer->Open1->isEnabled());
    EXPECT_FALSE(packer->Save1->isEnabled());

    packer->NewErf1Click();
    Drop(*packer, Files({Source("res.txt", "data")}));
    MessageAnswers.push_back(QMessageBox::No);
    child->close();
    QApplication::processEvents();
    EXPECT_EQ(ShownMessages.back().Text, "Would you like to save before closing ?");
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(SaveRequests.empty()) << "nothing is written";
}

// Opening an archive whose resources overlap warns that saving writes each
// whole; a damaged one is reported and keeps the resources inside the file.
TEST_F(PackerTest, OpeningWarnsOfOverlapsAndReportsDamage)
{
    struct Case {
        const char *File;
        std::function<std::string()> Make;
        QMessageBox::Icon Icon;
        QString Message; // PATH stands for the archive's path
        QStringList Rows;
    };
    const auto threeTexts = [] {
        testdata::ErfBuilder erf("ERF ");
        for (const char *name : {"a", "b", "c"})
            erf.Add(name, rt::TXT, std::string(4, name[0]));
        return erf;
    };
    const Case cases[] = {
        {"shared.erf",
         [&] {
             std::string bytes = threeTexts().Build();
             // Keys at 160, resources at 232: b and c take a's bytes.
             for (std::size_t entry = 1; entry < 3; ++entry)
                 bytes.replace(232 + 8 * entry, 4, bytes.substr(232, 4));
             return bytes;
         },
         QMessageBox::Warning,
         "2 resources of \"PATH\" overlap the bytes of others. Saving writes each of them whole, so the saved "
         "archive may be much larger.",
         {"a.txt", "b.txt", "c.txt"}},
        {"cut.erf",
         [] {
             // Two keys (160 to 208) and two resource entries (208 to 224) fit before the end.
             testdata::ErfBuilder erf("ERF ");
             erf.Add("a", rt::TXT, "a");
             erf.Add("b", rt::TXT, "b");
             erf.EntryCountField = 1000;
             return erf.Build();
         },
         QMessageBox::Critical, "\"PATH\" is damaged: its header announces 1000 entries, but only 2 lie inside it.",
         {"a.txt", "b.txt"}},
    };
    for (const Case &c : cases) {
        ShownMessages.clear();
        auto packer = Packer();
        const fs::path path = NewFolder(c.File) / c.File;
        testdata::WriteFile(path, c.Make());
        OpenFileAnswers.push_back(QString::fromStdString(path.string()));
        packer->OpenClick();
        ASSERT_EQ(ShownMessages.size(), 1u) << c.File;
        EXPECT_EQ(ShownMessages[0].Icon, c.Icon) << c.File;
        EXPECT_EQ(ShownMessages[0].Text, QString(c.Message).replace("PATH", QString::fromStdString(path.string())));
        EXPECT_EQ(Names(*packer), c.Rows) << c.File;
    }
}

} // namespace
