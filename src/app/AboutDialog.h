#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

// Name, version and two links: the web site and a mail to the makers.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl &)>;
    explicit AboutDialog(UrlOpener opener, QWidget *parent = nullptr);

    void webLinkClicked();
    void mailLinkClicked();
    void okClicked();

    QLabel *webLink = nullptr;  // web link
    QLabel *mailLink = nullptr; // mail link

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UrlOpener m_opener;
};

// Builds the about box, shows it modally and destroys it. The opener defaults to the desktop's handler.
void showAbout(QWidget *parent, AboutDialog::UrlOpener opener = {});
