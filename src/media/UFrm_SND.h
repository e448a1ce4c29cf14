// The sound window: plays one sound file (WAV, MP3, BMU or anything else the
// media framework recognises) with Play, Pause and Stop and a progress bar.
// Opened from File > Sound > Open and embedded by the archive browsers as the
// preview of WAV resources.
//
// Play always builds the pipeline anew, so it starts from the beginning; the
// end of a sound is not detected (the bar stays at the end until Stop, Pause
// or Play). A file nothing can play leaves the window inert, without a message.
#pragma once

#include "media/ZDSMD.h"

#include <QString>
#include <QWidget>

#include <memory>

class QFrame;
class QProgressBar;
class QPushButton;
class QTimer;

// Closing is always allowed; as a child window it is freed when closed. Closing
// stops the sound at once and lets go of the file.
class TFrm_SND : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Sound Preview";
    // The bar's range: the whole sound.
    static constexpr int kBarMaximum = 250;
    // How often the bar follows the playback position.
    static constexpr int kPollIntervalMs = 50;

    explicit TFrm_SND(QWidget *parent = nullptr);
    ~TFrm_SND() override;
    // The designed size, which a child window of the main window opens with.
    QSize sizeHint() const override;

    // When a file exists at path: adds " - " and the file's name to the caption
    // and plays it. Otherwise does nothing at all.
    void OpenFile(const QString &path);

    // The player, nullptr once the window has closed.
    TZDSMD *Player() const { return m_player.get(); }
    // The file given to OpenFile; empty before and after the window closes.
    const QString &SoundPath() const { return m_soundPath; }

    // The buttons' and the timer's handlers.
    void BtnPlayClick();
    void Button2Click(); // Pause: pauses while playing, resumes while paused
    void Button3Click(); // Stop
    void Timer1Timer();

    QFrame *Panel1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *BtnPlay = nullptr;
    QPushButton *BtnPause = nullptr;
    QPushButton *BtnStop = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<TZDSMD> m_player;
    QString m_soundPath;

    int PlayerState() const;
};
