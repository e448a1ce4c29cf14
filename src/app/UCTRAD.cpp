#include "app/UCTRAD.h"

#include "app/UDialogs.h"
#include "app/ULanguageFile.h"
#include "app/UListModel.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

namespace {

// A window's caption without the file name SetCaptionFile adds, and that name.
constexpr const char *kPlainCaptionProperty = "plainCaption";
constexpr const char *kCaptionFileProperty = "captionFile";
// Set on components KeepUntranslated names.
constexpr const char *kUntranslatedProperty = "untranslated";

void ShowCaption(QWidget *window, const QString &plainCaption)
{
    window->setProperty(kPlainCaptionProperty, plainCaption);
    const QString file = window->property(kCaptionFileProperty).toString();
    window->setWindowTitle(file.isEmpty() ? plainCaption : plainCaption + QStringLiteral(" - ") + file);
}

void AddText(std::vector<CTRAD::TText> &texts, QString key, std::function<QString()> get,
             std::function<void(const QString &)> set)
{
    texts.push_back({std::move(key), std::move(get), std::move(set)});
}

// Texts numbered after a component's name: name + suffix + n.
QString NumberedKey(const QString &name, const char *suffix, int n)
{
    return name + QLatin1String(suffix) + QString::number(n);
}

void AddComponentTexts(QObject *object, std::vector<CTRAD::TText> &texts)
{
    const QString name = object->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || object->property(kUntranslatedProperty).toBool())
        return;

    if (auto *picker = qobject_cast<TOpenDirDialog *>(object)) {
        AddText(texts, name + QLatin1String("Caption"), [picker] { return picker->Caption(); },
                [picker](const QString &text) { picker->SetCaption(text); });
        AddText(texts, name + QLatin1String("Title"), [picker] { return picker->Title(); },
                [picker](const QString &text) { picker->SetTitle(text); });
    } else if (auto *dialog = qobject_cast<TFileDialog *>(object)) {
        AddText(texts, name, [dialog] { return dialog->Title(); },
                [dialog](const QString &text) { dialog->SetTitle(text); });
    } else if (auto *menu = qobject_cast<QMenu *>(object)) {
        AddText(texts, name, [menu] { return menu->title(); }, [menu](const QString &text) { menu->setTitle(text); });
    } else if (auto *action = qobject_cast<QAction *>(object)) {
        // A separator given a text becomes an item showing it.
        AddText(texts, name, [action] { return action->isSeparator() ? QString() : action->text(); },
                [action](const QString &text) {
                    action->setSeparator(false);
                    action->setText(text);
                });
    } else if (auto *group = qobject_cast<QGroupBox *>(object)) {
        AddText(texts, name, [group] { return group->title(); }, [group](const QString &text) { group->setTitle(text); });
        // A group of options: its radio buttons are its items.
        int item = 0;
        for (QObject *child : group->children()) {
            if (auto *option = qobject_cast<QRadioButton *>(child)) {
                AddText(texts, NumberedKey(name, "_I", item++), [option] { return option->text(); },
                        [option](const QString &text) { option->setText(text); });
            }
        }
    } else if (auto *button = qobject_cast<QPushButton *>(object)) {
        AddText(texts, name, [button] { return button->text(); },
                [button](const QString &text) { button->setText(text); });
    } else if (auto *check = qobject_cast<QCheckBox *>(object)) {
        AddText(texts, name, [check] { return check->text(); }, [check](const QString &text) { check->setText(text); });
    } else if (auto *combo = qobject_cast<QComboBox *>(object)) {
        // The text in the box is a choice, never a caption of its own. A
        // drop-down list without an edit box takes it by choosing the item
        // that shows it.
        AddText(texts, name, [] { return QString(); },
                [combo](const QString &text) {
                    if (combo->isEditable())
                        combo->setEditText(text);
                    else
                        combo->setCurrentText(text);
                });
        for (int item = 0; item < combo->count(); ++item) {
            AddText(texts, NumberedKey(name, "_I", item), [combo, item] { return combo->itemText(item); },
                    [combo, item](const QString &text) { combo->setItemText(item, text); });
        }
    } else if (auto *label = qobject_cast<QLabel *>(object)) {
        AddText(texts, name, [label] { return label->text(); }, [label](const QString &text) { label->setText(text); });
    } else if (auto *list = qobject_cast<TListView *>(object)) {
        QAbstractItemModel *model = list->model();
        const int columns = model ? model->columnCount() : 0;
        for (int column = 0; column < columns; ++column) {
            AddText(texts, NumberedKey(name, "_C", column),
                    [model, column] { return model->headerData(column, Qt::Horizontal).toString(); },
                    [model, column](const QString &text) { model->setHeaderData(column, Qt::Horizontal, text); });
        }
    } else if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
        for (int page = 0; page < tabs->count(); ++page) {
            const QString pageName = tabs->widget(page)->objectName();
            if (pageName.isEmpty())
                continue;
            AddText(texts, pageName, [tabs, page] { return tabs->tabText(page); },
                    [tabs, page](const QString &text) { tabs->setTabText(page, text); });
        }
    } else if (object->metaObject()->indexOfProperty("caption") >= 0) {
        // Panels and caption strips.
        AddText(texts, name, [object] { return object->property("caption").toString(); },
                [object](const QString &text) { object->setProperty("caption", text); });
    }
}

void AddChildTexts(QObject *parent, std::vector<CTRAD::TText> &texts)
{
    for (QObject *child : parent->children()) {
        if (CTRAD::IsWindow(child))
            continue;
        AddComponentTexts(child, texts);
        AddChildTexts(child, texts);
    }
}

} // namespace

void CTRAD::LoadLanguage(const std::string &name)
{
    m_language = name;
    m_file = ReadLanguageFile(LanguageFilePath(name));
    if (!m_file) {
        m_language.clear();
        return;
    }
    if (m_toolkitTexts) {
        QCoreApplication::removeTranslator(m_toolkitTexts.get());
        m_toolkitTexts.reset();
    }
    const QString locale = QString::fromStdString(m_file->ReadString("Language", "Locale", ""));
    QLocale::setDefault(locale.isEmpty() ? QLocale::system() : QLocale(locale));
    if (locale.isEmpty())
        return;
    auto toolkitTexts = std::make_unique<QTranslator>();
    if (toolkitTexts->load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(toolkitTexts.get());
        m_toolkitTexts = std::move(toolkitTexts);
    }
}

CTRAD::CTRAD() = default;
CTRAD::~CTRAD()
{
    if (m_toolkitTexts && QCoreApplication::instance())
        QCoreApplication::removeTranslator(m_toolkitTexts.get());
}
CTRAD &CTRAD::operator=(CTRAD &&other) noexcept
{
    if (this != &other) {
        if (m_toolkitTexts && QCoreApplication::instance())
            QCoreApplication::removeTranslator(m_toolkitTexts.get());
        m_language = std::move(other.m_language);
        m_file = std::move(other.m_file);
        m_toolkitTexts = std::move(other.m_toolkitTexts);
    }
    return *this;
}

void CTRAD::Translate(QWidget *window)
{
    if (m_language.empty() || !m_file || !window)
        return;
    const std::string section = Section(window).toStdString();
    if (!m_file->HasSection(section))
        return;
    for (const TText &text : Texts(window)) {
        const std::optional<std::string> value = m_file->Value(section, text.Key.toStdString());
        if (value && !value->empty())
            text.Set(QString::fromStdString(*value));
    }
}

QString CTRAD::Section(const QWidget *window)
{
    return QString::fromLatin1(window->metaObject()->className());
}

std::vector<CTRAD::TText> CTRAD::Texts(QWidget *window)
{
    std::vector<TText> texts;
    AddText(texts, QStringLiteral("Caption"), [window] { return window->windowTitle(); },
            [window](const QString &text) { ShowCaption(window, text); });
    AddChildTexts(window, texts);
    return texts;
}

bool CTRAD::IsWindow(const QObject *object)
{
    return object->isWidgetType() && qstrncmp(object->metaObject()->className(), "TFrm", 4) == 0;
}

std::vector<QWidget *> CTRAD::AllWindows()
{
    std::vector<QWidget *> windows;
    for (QWidget *topLevel : QApplication::topLevelWidgets()) {
        if (IsWindow(topLevel))
            windows.push_back(topLevel);
        for (QWidget *inner : topLevel->findChildren<QWidget *>()) {
            if (IsWindow(inner))
                windows.push_back(inner);
        }
    }
    return windows;
}

CTRAD &Translator()
{
    static CTRAD translator;
    return translator;
}

void KeepUntranslated(QObject *component)
{
    component->setProperty(kUntranslatedProperty, true);
}

void SetCaptionFile(QWidget *window, const QString &fileName)
{
    const QVariant plain = window->property(kPlainCaptionProperty);
    window->setProperty(kCaptionFileProperty, fileName);
    ShowCaption(window, plain.isValid() ? plain.toString() : window->windowTitle());
}
