// The translator: replaces the English captions of the windows by the texts
// of an interface language file. Each window is a section named by its class
// ("TFrm_BIF"); each caption a key formed from its component's name
// ("ListRes_C2" for the third column header of ListRes). Translation changes
// texts only, never which controls a window has.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/UCINIFILE.h"

class QObject;
class QTranslator;
class QWidget;

class CTRAD {
public:
    CTRAD();
    ~CTRAD();
    CTRAD(const CTRAD &) = delete;
    CTRAD &operator=(const CTRAD &) = delete;
    // A fresh translator replaces the one of an earlier main window.
    CTRAD &operator=(CTRAD &&other) noexcept;

    // Loads the language file of that name, or switches translation off (and
    // forgets the name) when there is none. Texts on screen stay as they are.
    // The toolkit's own texts (dialog buttons, the file lists' headers) follow
    // the locale the file names in key Locale of section [Language] ("fr").
    void LoadLanguage(const std::string &name);
    // The language loaded, empty while translation is off.
    const std::string &Language() const { return m_language; }

    // Gives one window and its components the loaded language's texts. Does
    // nothing while translation is off or without a window. A key that is
    // missing or empty leaves its text unchanged.
    void Translate(QWidget *window);

    // One translatable text of a window: its key and how to read and set it.
    struct TText {
        QString Key;
        std::function<QString()> Get;
        std::function<void(const QString &)> Set;
    };
    // The section of a window: its class name.
    static QString Section(const QWidget *window);
    // Every text the translator can set in a window, in component order. The
    // windows embedded in it have sections of their own and are left out.
    static std::vector<TText> Texts(QWidget *window);
    // A viewer window of its own (its class is a window class, "TFrm..."):
    // the units of translation.
    static bool IsWindow(const QObject *object);
    // Every window the program has (top-level, child, hidden and embedded),
    // top-level windows first, each followed by the windows inside it.
    static std::vector<QWidget *> AllWindows();

private:
    std::string m_language;
    std::unique_ptr<QTranslator> m_toolkitTexts;
    std::optional<CINIFILE> m_file;
};

// The program's one translator.
CTRAD &Translator();

// Keeps a component that shows data rather than a caption (a status bar, a
// number) out of translation.
void KeepUntranslated(QObject *component);

// Shows a window's caption followed by " - " and the name of the file it
// holds (just the caption for an empty name). The translator keeps the file
// name when it replaces the caption.
void SetCaptionFile(QWidget *window, const QString &fileName);
