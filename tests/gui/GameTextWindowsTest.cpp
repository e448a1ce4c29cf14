// Game text in the game's own encoding through every window that shows it:
// the talk table window and its search, the GFF grid, text page and detail
// window, the 2DA and sound set grids, and a resource named in that encoding
// previewed, extracted and packed.
#include "BrowserTestSupport.h"

#include "app/USettings.h"
#include "archives/UFrm_ModView.h"
#include "formats/UCTLK.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "formats/UFrm_UTXPreview.h"
#include "packer/UCMODPAK.h"

#include "testdata/ErfBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/SsfBuilder.h"
#include "testdata/TlkBuilder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

// A text in one of the game's languages: the bytes its files hold and what the
// user reads.
struct TLanguageCase {
    std::uint32_t Language; // of the game's dialog.tlk
    std::string Name;       // a ResRef in that language's code page
    std::string Text;       // a text in it
    QString ShownName;
    QString ShownText;
};

const TLanguageCase kCases[] = {
    {0, "caf\xE9", "Caf\xE9 \x80" "5", QString::fromUtf8("café"), QString::fromUtf8("Café €5")},
    {5, "\xB3\xF3" "d\x9F", "Z\xB3oty \x80", QString::fromUtf8("łódź"), QString::fromUtf8("Złoty €")},
};

QString CellText(const QTableView *view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}

// The value the GFF detail window shows for a row, read while it is open.
QString DetailValue(TFrm_UTX &viewer, int row)
{
    QString value;
    QTimer::singleShot(0, [&value] {
        if (auto *detail = qobject_cast<TFrm_UTxPreview *>(QApplication::activeModalWidget())) {
            value = detail->Memo_Value->toPlainText();
            detail->close();
        }
    });
    viewer.ListRes->setCurrentIndex(viewer.ListRes->model()->index(row, 0));
    viewer.ListResDblClick();
    return value;
}

template <class TWindow>
std::unique_ptr<TWindow> Shown()
{
    auto window = std::make_unique<TWindow>();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

class GameTextWindowsTest : public TBrowserTest {
protected:
    void TearDown() override
    {
        Settings().UTXMakeText = false;
        ClearTalkTableCache();
        TBrowserTest::TearDown();
    }
};

TEST_F(GameTextWindowsTest, TextsShowInTheEncodingOfTheGamesLanguage)
{
    for (const TLanguageCase &c : kCases) {
        SCOPED_TRACE(c.ShownName.toStdString());
        ClearTalkTableCache();
        const fs::path game = NewFolder("game" + std::to_string(c.Language));
        TScopedGameFolder scope(game.string());
        testdata::TlkBuilder talk;
        talk.LanguageId = c.Language;
        talk.Add("", "-");
        talk.Add(c.Name, c.Text);
        talk.WriteTo(game / "dialog.tlk");

        // The talk table window and its search.
        auto tlk = Shown<TFrm_TLK>();
        tlk->OpenFile(QString::fromStdString((game / "dialog.tlk").string()));
        tlk->RadioGroup1_Text->click();
        tlk->SearchText->setText(c.ShownText.left(4));
        tlk->Btn_Search->click();
        ASSERT_EQ(tlk->ListRes->model()->rowCount(), 1);
        EXPECT_EQ(CellText(tlk->ListRes, 0, 1), c.ShownName);
        EXPECT_EQ(CellText(tlk->ListRes, 0, 2), c.ShownText);

        // The GFF grid, its text page and its detail window: a plain string in
        // the game's encoding, a localized substring in its language's and a
        // string reference through the talk table.
        Settings().UTXMakeText = true;
        testdata::GffBuilder gff("UTI ");
        gff.String(0, "Tag", c.Text);
        gff.LocString(0, "LocName", 1, {{c.Language * 2, c.Text}});
        gff.LocString(0, "Said", 1, {});
        gff.WriteTo(game / "item.uti");
        auto utx = Shown<TFrm_UTX>();
        utx->OpenFile(QString::fromStdString((game / "item.uti").string()));
        ASSERT_EQ(utx->ListRes->model()->rowCount(), 5);
        for (int row : {0, 2, 4})
            EXPECT_EQ(CellText(utx->ListRes, row, 3), row == 4 ? c.ShownName : c.ShownText) << row;
        EXPECT_TRUE(utx->Memo1->toPlainText().contains("= \"" + c.ShownText + "\"")) << utx->Memo1->toPlainText().toStdString();
        EXPECT_EQ(DetailValue(*utx, 2), c.ShownText);

        // The 2DA and sound set grids.
        auto table = Shown<TFrm_2DA>();
        table->OpenText("2DA V2.0\n\n   Label\n0  " + c.Name + "\n");
        EXPECT_EQ(CellText(table->ListRes, 0, 1), c.ShownName);
        testdata::SsfBuilder sounds;
        sounds.Add(c.Name, 1);
        sounds.WriteTo(game / "set.ssf");
        auto ssf = Shown<TFrm_SSF>();
        ssf->OpenFile(QString::fromStdString((game / "set.ssf").string()));
        EXPECT_EQ(CellText(ssf->ListRes, 0, 1), c.ShownName);
        EXPECT_EQ(CellText(ssf->ListRes, 0, 2), c.ShownName);

        // A resource named in the game's encoding: listed, previewed (its
        // temporary file removed again), extracted under its decoded name.
        testdata::ErfBuilder erf("ERF ");
        erf.Add(c.Name, rt::TXT, c.Text);
        erf.WriteTo(game / "names.erf");
        auto viewer = Shown<TFrm_MODView>();
        viewer->OpenFile(QString::fromStdString((game / "names.erf").string()));
        EXPECT_EQ(Cell(viewer->ListRes, 0, 1), c.ShownName);
        auto *text = qobject_cast<TFrm_TXT *>(viewer->PreviewViewer());
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Memo1->toPlainText(), c.ShownText);
        EXPECT_TRUE(FilesIn(TempFolder()).empty());
        const fs::path out = NewFolder("out" + std::to_string(c.Language));
        FolderAnswers.push_back(QString::fromStdString(out.string()));
        viewer->ListRes->SetFocusedRow(0);
        viewer->ExtractToClick();
        const fs::path extracted = out / (c.ShownName.toStdString() + ".txt");
        EXPECT_EQ(ReadBytes(extracted), c.Text);

        // Packing the extracted file gives back the stored name.
        CMODPAK pak;
        ASSERT_EQ(pak.RefusalReason(extracted.string()), "");
        pak.AddFile(extracted.string());
        EXPECT_EQ(pak.Entries().at(0).ResRef, c.Name);
    }
}

} // namespace
