// Translation of the windows from language files, the preference dialog that
// chooses the language and the settings, and the about window.
#include "BrowserTestSupport.h"

#include "app/About.h"
#include "app/UCTRAD.h"
#include "app/UFrm_Option.h"
#include "app/UFrm_Progress.h"
#include "app/ULanguageFile.h"
#include "app/UMain.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_IMG.h"
#include "media/UFrm_SND.h"
#include "model/UFrm_MDL.h"
#include "model/UFrm_PLT.h"
#include "packer/UFrm_ModEdit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

using TTextMap = std::map<QString, QString>;

// Every translatable text of a window, by key.
TTextMap TextsOf(QWidget *window)
{
    TTextMap texts;
    for (const CTRAD::TText &text : CTRAD::Texts(window))
        texts[text.Key] = text.Get();
    return texts;
}

// The keys whose texts differ between two states of a window, with the new text.
TTextMap Changes(const TTextMap &before, const TTextMap &after)
{
    TTextMap changes;
    for (const auto &[key, text] : after) {
        auto old = before.find(key);
        if (old == before.end() || old->second != text)
            changes[key] = text;
    }
    return changes;
}

class TranslationTest : public TBrowserTest {
protected:
    void WriteLanguage(const std::string &name, const std::string &text) const
    {
        fs::create_directories(ProgramFolder() + "Language");
        std::ofstream(ProgramFolder() + "Language/" + name + ".ini", std::ios::binary) << text;
    }

    // Runs the Preference command; act changes the dialog before its close box
    // closes it.
    void RunPreference(TFrmMain &main, const std::function<void(TFrm_Option &)> &act)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TFrm_Option *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            act(*dialog);
            acted = true;
            dialog->close();
        });
        main.PreferenceClick();
        EXPECT_TRUE(acted) << "the preference dialog was not shown modally";
    }
};

// One window of every class the program has, as it is created, without a file.
std::vector<QWidget *> EveryWindow(TFrmMain &main, std::vector<std::unique_ptr<QWidget>> &owned)
{
    for (QWidget *window : std::initializer_list<QWidget *>{
             new TFrm_Option, new TFrm_BIF, new TFrm_MODView, new TFrm_MODEdit, new TFrm_Progress, new TFrm_TLK,
             new TFrm_SSF, new TFrm_2DA, new TFrm_TXT, new TFrm_UTX, new TFrm_IMG, new TFrm_PLT, new TFrm_SND, new TFrm_MDL})
        owned.emplace_back(window);
    std::vector<QWidget *> windows{&main, main.AboutWindow()};
    for (const auto &window : owned)
        windows.push_back(window.get());
    return windows;
}

} // namespace

TEST_F(TranslationTest, TheShippedLanguagesGiveEveryCaptionOfEveryWindowAText)
{
    auto main = CreateMainWindow(false);
    main->CreateAboutWindow();
    std::vector<std::unique_ptr<QWidget>> owned;
    const std::vector<QWidget *> windows = EveryWindow(*main, owned);
    // Besides the windows, the section of the locale.
    std::set<std::string> sections{"Language"};
    for (const char *language : {"French", "German"}) {
        const std::optional<CINIFILE> file = ReadLanguageFile(std::string(QUORLIN_LANGUAGE_DIR) + "/" + language + ".ini");
        ASSERT_TRUE(file) << language;
        for (QWidget *window : windows) {
            const std::string section = CTRAD::Section(window).toStdString();
            sections.insert(section);
            const TTextMap texts = TextsOf(window);
            for (const auto &[key, english] : texts) {
                if (english.trimmed().isEmpty())
                    continue;
                const std::optional<std::string> text = file->Value(section, key.toStdString());
                EXPECT_TRUE(text && !text->empty()) << language << ": no text for " << section << " " << key.toStdString();
            }
            for (const auto &[key, text] : file->SectionValues(section))
                EXPECT_TRUE(texts.count(QString::fromStdString(key))) << language << ": " << section << " has no " << key;
        }
        for (const std::string &section : file->Sections())
            EXPECT_TRUE(sections.count(section)) << language << ": no window " << section;
    }
}

TEST_F(TranslationTest, AFileChangesOnlyTheTextsItGivesInTheWindowItNames)
{
    WriteLanguage("Test", "; columns and separators\n"
                          "[tfrm_bif]\n"
                          "listres_c2 = Genre \n"
                          "ListRes_C1=   \n"
                          "ListRes_C9=None\n"
                          "ListBif_C7=None\n"
                          "[TFrm_MODEdit]\n"
                          "N3=Séparé\n"
                          "[TFrm_Unknown]\n"
                          "Caption=Nowhere\n");
    TFrm_BIF bif;
    TFrm_MODView erf;
    TFrm_MODEdit packer;
    const TTextMap before[] = {TextsOf(&bif), TextsOf(&erf), TextsOf(&packer)};
    Translator().LoadLanguage("Test");
    for (QWidget *window : std::initializer_list<QWidget *>{&bif, &erf, &packer})
        Translator().Translate(window);
    EXPECT_EQ(Changes(before[0], TextsOf(&bif)), (TTextMap{{"ListRes_C2", "Genre"}}));
    EXPECT_EQ(Changes(before[1], TextsOf(&erf)), TTextMap{});
    EXPECT_EQ(Changes(before[2], TextsOf(&packer)), (TTextMap{{"N3", "Séparé"}}));
    EXPECT_FALSE(packer.findChild<QAction *>("N3")->isSeparator());
    EXPECT_EQ(bif.ListRes->model()->headerData(2, Qt::Horizontal).toString(), "Genre");
}

TEST_F(TranslationTest, ThePreferenceDialogReTranslatesHiddenAndEmbeddedWindowsButNeverTheMainCaption)
{
    WriteLanguage("Test", "[Language]\nLocale=fr\n"
                          "[TFrmMain]\nCaption=Titre\nFile1=&Fichier\n"
                          "[TFrm_About]\nBtnOk=D'accord\n"
                          "[TFrm_MODView]\nCaption=Vue ERF\n"
                          "[TFrm_IMG]\nCaption=Image\n"
                          "[TFrm_Option]\nButton3=Fermer\n");
    auto main = CreateMainWindow();
    main->CreateAboutWindow();
    auto *erf = new TFrm_MODView;
    main->AddChildWindow(erf);
    erf->OpenFile(QString::fromStdString((DemoFolder() / "samples" / "sample.erf").string()));
    auto *bif = new TFrm_BIF;
    main->AddChildWindow(bif);
    bif->OpenFile(DemoKeyPath()); // previews its first picture
    auto *picture = qobject_cast<TFrm_IMG *>(bif->PreviewViewer());
    ASSERT_NE(picture, nullptr);
    const QString mainCaption = main->windowTitle();

    QString closeButton;
    RunPreference(*main, [&](TFrm_Option &dialog) {
        closeButton = dialog.Button3->text();
        dialog.ComboBox1->setEditText("Test");
    });
    EXPECT_EQ(closeButton, "Close"); // the dialog took the language that was loaded then
    EXPECT_EQ(Settings().Language, "Test");
    EXPECT_EQ(main->AboutWindow()->BtnOk->text(), "D'accord");
    EXPECT_FALSE(main->AboutWindow()->isVisible());
    EXPECT_TRUE(picture->windowTitle().startsWith("Image - demo_")) << picture->windowTitle().toStdString();
    // The translated caption keeps the name of the file the window shows.
    EXPECT_EQ(erf->windowTitle(), "Vue ERF - sample.erf");
    EXPECT_EQ(main->findChild<QMenu *>("File1")->title(), "&Fichier");
    EXPECT_EQ(main->windowTitle(), mainCaption);
    // The toolkit's own texts follow the language's locale.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuler");

    // A language without a file switches translation off and leaves every text.
    RunPreference(*main, [&](TFrm_Option &dialog) {
        closeButton = dialog.Button3->text();
        dialog.ComboBox1->setEditText("Klingon");
    });
    EXPECT_EQ(closeButton, "Fermer");
    EXPECT_EQ(Translator().Language(), "");
    EXPECT_EQ(erf->windowTitle(), "Vue ERF - sample.erf");
    EXPECT_EQ(main->AboutWindow()->BtnOk->text(), "D'accord");
    auto later = std::make_unique<TFrm_MODView>();
    EXPECT_EQ(later->windowTitle(), TFrm_MODView::kCaption);
}

TEST_F(TranslationTest, PreferenceChangesReachOpenBrowsersAtOnceButNotTheirFolders)
{
    auto main = CreateMainWindow();
    Settings().BifDefaultDir = "/old/exports";
    auto *bif = new TFrm_BIF;
    main->AddChildWindow(bif);
    bif->OpenFile(DemoKeyPath());
    ASSERT_NE(bif->PreviewViewer(), nullptr);
    bif->ClosePreview();

    // Closing at once changes nothing.
    const TSettings before = Settings();
    RunPreference(*main, [](TFrm_Option &) {});
    EXPECT_EQ(Settings().Language, before.Language);
    EXPECT_EQ(Settings().BifDefaultDir, before.BifDefaultDir);
    EXPECT_EQ(Settings().GameEncoding, before.GameEncoding);
    EXPECT_EQ(Settings().BifAutoPreview, before.BifAutoPreview);

    FolderAnswers = {"/new/exports", ""};
    RunPreference(*main, [](TFrm_Option &dialog) {
        dialog.Chk_BifAutoPreview->setChecked(false);
        QTest::mouseClick(dialog.Button2, Qt::LeftButton); // picks /new/exports
        QTest::mouseClick(dialog.Button1, Qt::LeftButton); // cancelled: unchanged
        dialog.ComboBox_Encoding->setCurrentIndex(dialog.ComboBox_Encoding->findData("CP1250"));
    });
    ASSERT_EQ(FolderRequests.size(), 2u);
    EXPECT_TRUE(FolderRequests[0].StartFolder.isEmpty());
    EXPECT_EQ(Settings().BifDefaultDir, "/new/exports");
    EXPECT_EQ(Settings().ModDefaultDir, before.ModDefaultDir);
    EXPECT_EQ(Settings().GameEncoding, "CP1250");
    EXPECT_FALSE(Settings().BifAutoPreview);

    ClickRow(bif->ListRes, 1);
    EXPECT_EQ(bif->PreviewViewer(), nullptr);
    EXPECT_EQ(bif->OpenDirDialog->Directory(), "/old/exports");
}

TEST_F(TranslationTest, TheGameFolderIsWrittenToTheConfigurationAndTheBifCommandFindsIt)
{
    TScopedGameFolder noOverride("");
    const fs::path game = DemoFolder() / "game";
    ASSERT_TRUE(fs::exists(game / "chitin.key"));
    auto main = CreateMainWindow();
    FolderAnswers = {QString::fromStdString(game.string())};
    RunPreference(*main, [](TFrm_Option &dialog) { QTest::mouseClick(dialog.Button4, Qt::LeftButton); });
    CINIFILE config;
    ASSERT_TRUE(config.Load(GetGameFolderConfigPath()));
    EXPECT_EQ(config.Value("Duskmere", "Location"), std::optional<std::string>(game.string()));
    main->Duskmere1Click();
    auto *browser = qobject_cast<TFrm_BIF *>(main->MdiArea()->subWindowList().value(0)->widget());
    ASSERT_NE(browser, nullptr);
    EXPECT_GT(browser->ListBif->model()->rowCount(), 0);
}

TEST_F(TranslationTest, TheAboutWindowNamesTheProgramAndItsVersionAndOkClosesIt)
{
    auto main = CreateMainWindow();
    main->CreateAboutWindow();
    TFrm_About *about = main->AboutWindow();
    EXPECT_TRUE(TFrm_About::AboutText().contains("Quorlin Viewer"));
    EXPECT_TRUE(TFrm_About::AboutText().contains(QStringLiteral("Version " QUORLIN_VERSION)));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = about->isVisible();
        QTest::mouseClick(about->BtnOk, Qt::LeftButton);
    });
    main->About1Click();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(about->size(), QSize(TFrm_About::kClientWidth, TFrm_About::kClientHeight));
}
