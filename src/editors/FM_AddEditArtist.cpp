#include "editors/FM_AddEditArtist.h"

#include "base/WindowFont.h"
#include "store/DM_Artist.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace U_Constantes;

TF_AddEditArtist::TF_AddEditArtist(TD_Artist &artists, MessageService &messages, QWidget *parent)
    : SmallEditor(parent)
    , m_artists(artists)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("F_AddEditArtist"));
    setWindowTitle(NewArtistCaption);
    setFont(windowFont());
    setFixedSize(345, 86);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 329, 41);
    Label1 = new QLabel(LabelName, Panel1);
    Label1->move(8, 16);
    Label1->adjustSize();
    Edit_name = new QLineEdit(Panel1);
    Edit_name->setGeometry(48, 12, 273, 21);
    saveOnEnterIn(Edit_name);
    // Created in tab order; neither button is a default one, so Enter saves only from the name box.
    Button1 = new QPushButton(BtnCancel, this);
    Button1->setGeometry(264, 56, 75, 25);
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(BtnSaveArtist, this);
    Button2->setGeometry(184, 56, 75, 25);
    Button2->setAutoDefault(false);

    const std::pair<QWidget *, const char *> names[] = {{Panel1, "Panel1"}, {Label1, "Label1"},
                                                        {Edit_name, "Edit_name"}, {Button1, "Button1"},
                                                        {Button2, "Button2"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(Button2, &QPushButton::clicked, this, &TF_AddEditArtist::save);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TF_AddEditArtist::prepareEdit(int artistId, const QString &name)
{
    setWindowTitle(EditArtistCaption);
    EditedArtistID = artistId;
    m_name.show(Edit_name, name);
}

void TF_AddEditArtist::save()
{
    if (EditedArtistID == -1)
        SaveNewArtist();
    else
        SaveEditedArtist();
}

bool TF_AddEditArtist::checkName()
{
    if (!Edit_name->text().isEmpty())
        return true;
    m_messages.warning(NoArtistNameText);
    Edit_name->setFocus();
    return false;
}

void TF_AddEditArtist::SaveNewArtist()
{
    if (!checkName())
        return;
    storeAndClose([this] { return m_artists.AddArtist(Edit_name->text()); });
}

void TF_AddEditArtist::SaveEditedArtist()
{
    if (!checkName())
        return;
    storeAndClose([this] { return m_artists.UpdateArtist(EditedArtistID, m_name.value(Edit_name->text())); });
}

void ShowNewArtist(TD_Artist &artists, MessageService &messages, QWidget *parent)
{
    TF_AddEditArtist dialog(artists, messages, parent);
    dialog.EditedArtistID = -1;
    dialog.exec();
}

void ShowEditArtist(int artistId, const QString &name, TD_Artist &artists, MessageService &messages, QWidget *parent)
{
    TF_AddEditArtist dialog(artists, messages, parent);
    dialog.prepareEdit(artistId, name);
    dialog.exec();
}
