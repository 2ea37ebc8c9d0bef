#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

// Name, version and two links: the web site and a mail to the makers.
class TF_About : public QDialog
{
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl &)>;
    explicit TF_About(UrlOpener opener, QWidget *parent = nullptr);

    void Label14Click();
    void Label9Click();
    void Button1Click();

    QLabel *Label14 = nullptr; // web link
    QLabel *Label9 = nullptr;  // mail link

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UrlOpener m_opener;
};

// Builds the about box, shows it modally and destroys it. The opener defaults to the desktop's handler.
void ShowAbout(QWidget *parent, TF_About::UrlOpener opener = {});
