#include "app/FM_About.h"

#include "base/WindowFont.h"
#include "base/U_Constantes.h"

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

TF_About::TF_About(UrlOpener opener, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_opener(std::move(opener))
{
    setWindowTitle(U_Constantes::AboutCaption);
    setFixedSize(300, 375);
    setFont(windowFont());

    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);

    auto *version = new QLabel(U_Constantes::AboutVersion, panel);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    version->setAlignment(Qt::AlignRight);
    Label14 = linkLabel(U_Constantes::WebAddress, panel);
    Label14->setAlignment(Qt::AlignRight);
    auto *rule = new QFrame(panel);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto *feedback = new QLabel(U_Constantes::AboutFeedback, panel);
    feedback->setWordWrap(true);
    Label9 = linkLabel(U_Constantes::ContactAddress, panel);
    Label9->setAlignment(Qt::AlignRight);
    // Built without an address, the box offers none.
    feedback->setVisible(!U_Constantes::ContactAddress.isEmpty());
    Label9->setVisible(!U_Constantes::ContactAddress.isEmpty());

    auto *inner = new QVBoxLayout(panel);
    inner->addWidget(version);
    inner->addWidget(Label14);
    inner->addSpacing(8);
    inner->addWidget(rule);
    inner->addStretch(1);
    inner->addWidget(feedback);
    inner->addWidget(Label9);
    inner->addSpacing(12);

    auto *ok = new QPushButton(U_Constantes::AboutOk, this);
    ok->setFixedSize(73, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TF_About::Button1Click);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(panel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    outer->addLayout(buttons);

    Label14->installEventFilter(this);
    Label9->installEventFilter(this);
}

bool TF_About::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label14) {
            Label14Click();
            return true;
        }
        if (watched == Label9) {
            Label9Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TF_About::Label14Click()
{
    // Nothing is reported when no browser is set up.
    m_opener(QUrl(U_Constantes::WebAddress));
}

void TF_About::Label9Click()
{
    m_opener(QUrl(QStringLiteral("mailto:") + U_Constantes::ContactAddress + U_Constantes::MailSubject));
}

void TF_About::Button1Click()
{
    accept();
}

void ShowAbout(QWidget *parent, TF_About::UrlOpener opener)
{
    if (!opener)
        opener = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    TF_About about(std::move(opener), parent);
    about.exec();
}
