#include "app/AboutDialog.h"

#include "base/Texts.h"
#include "base/WindowFont.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *linkLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

} // namespace

AboutDialog::AboutDialog(UrlOpener opener, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_opener(std::move(opener))
{
    setWindowTitle(Texts::AboutCaption);
    setFixedSize(300, 375);
    setFont(windowFont());

    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);

    auto *version = new QLabel(Texts::AboutVersion, panel);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    version->setAlignment(Qt::AlignRight);
    webLink = linkLabel(Texts::WebAddress, panel);
    webLink->setAlignment(Qt::AlignRight);
    auto *rule = new QFrame(panel);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto *feedback = new QLabel(Texts::AboutFeedback, panel);
    feedback->setWordWrap(true);
    mailLink = linkLabel(Texts::ContactAddress, panel);
    mailLink->setAlignment(Qt::AlignRight);
    // Built without an address, the box offers none.
    feedback->setVisible(!Texts::ContactAddress.isEmpty());
    mailLink->setVisible(!Texts::ContactAddress.isEmpty());

    auto *inner = new QVBoxLayout(panel);
    inner->addWidget(version);
    inner->addWidget(webLink);
    inner->addSpacing(8);
    inner->addWidget(rule);
    inner->addStretch(1);
    inner->addWidget(feedback);
    inner->addWidget(mailLink);
    inner->addSpacing(12);

    auto *ok = new QPushButton(Texts::AboutOk, this);
    ok->setFixedSize(73, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutDialog::okClicked);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(panel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    outer->addLayout(buttons);

    webLink->installEventFilter(this);
    mailLink->installEventFilter(this);
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == webLink) {
            webLinkClicked();
            return true;
        }
        if (watched == mailLink) {
            mailLinkClicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::webLinkClicked()
{
    // Nothing is reported when no browser is set up.
    m_opener(QUrl(Texts::WebAddress));
}

void AboutDialog::mailLinkClicked()
{
    m_opener(QUrl(QStringLiteral("mailto:") + Texts::ContactAddress + Texts::MailSubject));
}

void AboutDialog::okClicked()
{
    accept();
}

void showAbout(QWidget *parent, AboutDialog::UrlOpener opener)
{
    if (!opener)
        opener = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    AboutDialog about(std::move(opener), parent);
    about.exec();
}
