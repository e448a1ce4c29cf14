// Filters of the open dialogs and the dialog seams.
#include "GuiTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using DialogsTest = TGuiTest;

namespace {
void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}
} // namespace

TEST(ConvertFilterTest, EachPairBecomesOneEntryShowingItsDescription)
{
    EXPECT_EQ(ConvertFilter("*.2DA|*.2DA"), "*.2DA (*.2[Dd][Aa])");
    EXPECT_EQ(ConvertFilter("WAV MP3|*.WAV;*.MP3|WAV|*.WAV"),
              "WAV MP3 (*.[Ww][Aa][Vv] *.[Mm][Pp]3);;WAV (*.[Ww][Aa][Vv])");
    // A description ending in a blank is kept as it is.
    EXPECT_EQ(ConvertFilter("INI |*.INI"), "INI  (*.[Ii][Nn][Ii])");
    // An unpaired description at the end is dropped.
    EXPECT_EQ(ConvertFilter("*.MDL|*.MDL|orphan"), "*.MDL (*.[Mm][Dd][Ll])");
    EXPECT_EQ(ConvertFilter(""), "");
}

TEST(ConvertFilterTest, PatternsMatchEveryLetterCase)
{
    EXPECT_EQ(CaseInsensitivePattern("*.UT*"), "*.[Uu][Tt]*");
    const QString pattern = CaseInsensitivePattern("*.JPEG");
    const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern));
    for (const char *name : {"x.jpeg", "X.JPEG", "photo.JpEg"})
        EXPECT_TRUE(expression.match(name).hasMatch()) << name;
    for (const char *name : {"x.jpg", "x.jpeg.bak", "jpeg"})
        EXPECT_FALSE(expression.match(name).hasMatch()) << name;
}

TEST(ConvertFilterTest, CaseSensitiveFolderListingFindsEveryCase)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char *name : {"a.MOD", "b.mod", "c.Hak", "d.erf", "e.nwm", "f.txt", "g.mod.bak"})
        Touch(folder.filePath(name));
    const QString qtFilter = ConvertFilter("*.MOD *.HAK *.ERF *.NWM|*.MOD;*.HAK;*.ERF;*.NWM");
    const QString patterns = qtFilter.section(u'(', 1).chopped(1);
    QDir dir(folder.path());
    dir.setNameFilters(patterns.split(u' '));
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    dir.setSorting(QDir::Name);
    EXPECT_EQ(dir.entryList(), QStringList({"a.MOD", "b.mod", "c.Hak", "d.erf", "e.nwm"}));
}

TEST_F(DialogsTest, RealOpenDialogShowsDescriptionsAndFilesOfAnyCase)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char *name : {"lower.2da", "UPPER.2DA", "other.txt"})
        Touch(folder.filePath(name));

    TOpenFileRequest request;
    request.Title = "Open table";
    request.Filter = ConvertFilter("*.2DA|*.2DA|TXT|*.TXT");
    request.StartPath = folder.filePath("lower.2da");
    std::unique_ptr<QFileDialog> dialog(CreateOpenFileDialog(request));
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));

    EXPECT_EQ(dialog->windowTitle(), "Open table");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), "*.2DA");
    EXPECT_EQ(types->itemText(1), "TXT");

    auto *list = dialog->findChild<QListView *>("listView");
    ASSERT_NE(list, nullptr);
    QStringList shown;
    auto listed = [&] {
        shown.clear();
        const QModelIndex root = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(root); ++row) {
            const QModelIndex index = list->model()->index(row, 0, root);
            if (!list->isRowHidden(row))
                shown << index.data().toString();
        }
        shown.sort();
        return shown.size() >= 2;
    };
    EXPECT_TRUE(QTest::qWaitFor(listed, 5000));
    EXPECT_EQ(shown, QStringList({"UPPER.2DA", "lower.2da"}));
    EXPECT_EQ(dialog->selectedFiles().value(0), folder.filePath("lower.2da"));
}

TEST_F(DialogsTest, OpenDialogKeepsItsNameTitleAndLastChoice)
{
    TOpenDialog dialog("OpenDialogTLK", "*.TLK|*.TLK", nullptr);
    EXPECT_EQ(dialog.objectName(), "OpenDialogTLK");
    dialog.SetTitle("Talk table");
    OpenFileAnswers = {"/games/dialog.tlk", ""};
    EXPECT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(dialog.FileName(), "/games/dialog.tlk");
    EXPECT_FALSE(dialog.Execute(nullptr));
    EXPECT_EQ(dialog.FileName(), "/games/dialog.tlk");
    ASSERT_EQ(OpenFileRequests.size(), 2u);
    EXPECT_EQ(OpenFileRequests[0].Title, "Talk table");
    EXPECT_EQ(OpenFileRequests[0].Filter, "*.TLK (*.[Tt][Ll][Kk])");
    EXPECT_EQ(OpenFileRequests[1].StartPath, "/games/dialog.tlk");
}

TEST_F(DialogsTest, InstalledHandlersAnswerInsteadOfDialogs)
{
    TFolderRequest folderRequest;
    folderRequest.Caption = "Extract Directory";
    QString askedCaption;
    TFolderHandler previous = SetFolderHandler([&askedCaption](const TFolderRequest &request) {
        askedCaption = request.Caption;
        return QStringLiteral("/out");
    });
    EXPECT_EQ(AskFolder(folderRequest), "/out");
    EXPECT_EQ(askedCaption, "Extract Directory");
    SetFolderHandler(std::move(previous));

    ShowErrorBox(nullptr, "Error", "Wrong file.");
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Caption, "Error");
    EXPECT_EQ(ShownMessages[0].Text, "Wrong file.");
}
