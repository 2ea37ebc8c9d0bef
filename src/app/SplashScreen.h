#pragma once

#include <QWidget>

// The borderless banner shown while the catalogue opens and closes.
class SplashScreen : public QWidget
{
    Q_OBJECT
public:
    explicit SplashScreen(QWidget *parent = nullptr);

    // The banner picture, drawn by the program itself.
    static QPixmap banner();

    // Shows the banner and paints it on the screen before returning: the caller goes on to block
    // the thread, and nothing paints the window after that.
    void showPainted();

protected:
    void paintEvent(QPaintEvent *event) override;
};
