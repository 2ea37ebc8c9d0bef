#include "editors/ArtistEditor.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "base/WindowFont.h"
#include "store/ArtistStore.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace Texts;

ArtistEditor::ArtistEditor(ArtistStore &artists, MessageService &messages, QWidget *parent)
    : SmallEditor(parent)
    , m_artists(artists)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("F_AddEditArtist"));
    setWindowTitle(NewArtistCaption);
    setFont(windowFont());
    setFixedSize(345, 86);

    fieldsPanel = new QFrame(this);
    fieldsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fieldsPanel->setGeometry(8, 8, 329, 41);
    nameLabel = new QLabel(LabelName, fieldsPanel);
    nameLabel->move(8, 16);
    nameLabel->adjustSize();
    nameEdit = new QLineEdit(fieldsPanel);
    nameEdit->setGeometry(48, 12, 273, 21);
    saveOnEnterIn(nameEdit);
    // Created in tab order; neither button is a default one, so Enter saves only from the name box.
    cancelButton = new QPushButton(BtnCancel, this);
    cancelButton->setGeometry(264, 56, 75, 25);
    cancelButton->setAutoDefault(false);
    saveButton = new QPushButton(BtnSaveArtist, this);
    saveButton->setGeometry(184, 56, 75, 25);
    saveButton->setAutoDefault(false);

    const std::pair<QWidget *, const char *> names[] = {{fieldsPanel, "fieldsPanel"},
                                                        {nameLabel, "nameLabel"},
                                                        {nameEdit, "nameEdit"},
                                                        {cancelButton, "cancelButton"},
                                                        {saveButton, "saveButton"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(saveButton, &QPushButton::clicked, this, &ArtistEditor::save);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ArtistEditor::prepareEdit(int artistId, const QString &name)
{
    setWindowTitle(EditArtistCaption);
    EditedArtistID = artistId;
    m_name.show(nameEdit, name);
}

void ArtistEditor::save()
{
    if (EditedArtistID == -1)
        saveNewArtist();
    else
        saveEditedArtist();
}

bool ArtistEditor::checkName()
{
    if (!nameEdit->text().isEmpty())
        return true;
    m_messages.warning(NoArtistNameText);
    nameEdit->setFocus();
    return false;
}

void ArtistEditor::saveNewArtist()
{
    if (!checkName())
        return;
    storeAndClose([this] { return m_artists.addArtist(nameEdit->text()); });
}

void ArtistEditor::saveEditedArtist()
{
    if (!checkName())
        return;
    storeAndClose([this] { return m_artists.updateArtist(EditedArtistID, m_name.value(nameEdit->text())); });
}

void showNewArtist(ArtistStore &artists, MessageService &messages, QWidget *parent)
{
    ArtistEditor dialog(artists, messages, parent);
    dialog.EditedArtistID = -1;
    dialog.exec();
}

void showEditArtist(int artistId, const QString &name, ArtistStore &artists, MessageService &messages, QWidget *parent)
{
    ArtistEditor dialog(artists, messages, parent);
    dialog.prepareEdit(artistId, name);
    dialog.exec();
}
