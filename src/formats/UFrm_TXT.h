// The text viewer: a plain text file shown read-only, line by line, without
// word wrap. Opened from File > ASCII > Open and embedded by the archive
// browsers as the preview of text-like resources.
#pragma once

#include <QString>
#include <QWidget>

#include <string_view>

class QPlainTextEdit;

class TFrm_TXT : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "ASCII Preview";

    explicit TFrm_TXT(QWidget *parent = nullptr);
    // The designed size, which a child window of the main window opens with.
    QSize sizeHint() const override;

    // Adds " - " and the file's name to the caption, then shows the file's
    // lines. Raises EFileError when the file cannot be read (the caption keeps
    // the name, the text box stays empty).
    void OpenFile(const QString &path);

    QPlainTextEdit *Memo1 = nullptr;

protected:
    // FormClose and FormCloseQuery: closing is always allowed and empties Memo1.
    void closeEvent(QCloseEvent *event) override;
};

class CGameTextCodec;

// Text bytes in the game's encoding as a QString, bytes not valid there shown
// as U+FFFD; a line ends at CR, LF or CR LF, and each line end becomes one
// '\n'. A line end after the last line starts no new line.
QString DecodeTextLines(std::string_view bytes, const CGameTextCodec &codec);
