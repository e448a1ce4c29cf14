// The about window: the program's name and version on a shaded background,
// and an OK button. Created once at start-up, shown by the About command.
#pragma once

#include <QDialog>

class QPushButton;
class QWidget;

class TFrm_About : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "About";
    static constexpr int kClientWidth = 225;
    static constexpr int kClientHeight = 292;

    explicit TFrm_About(QWidget *parent = nullptr);

    // The lines the window shows: name, version and what the program does.
    static QString AboutText();

    QWidget *JvGradientCaption1 = nullptr;
    QPushButton *BtnOk = nullptr;
};
