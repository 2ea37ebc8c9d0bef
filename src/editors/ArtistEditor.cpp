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
    : SmallEditor(messages, parent)
    , m_artists(artists)
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

    setSaveAndCancel(saveButton, cancelButton);
    connect(saveButton, &QPushButton::clicked, this, &ArtistEditor::save);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool ArtistEditor::prepareEdit(int artistId)
{
    // From the catalogue, not from the list: the list's text cannot tell a NULL name from an empty one.
    const std::optional<TArtist> artist = m_artists.artist(artistId);
    if (!artist) {
        messages().warning(ArtistNotFoundText);
        return false;
    }
    setWindowTitle(EditArtistCaption);
    EditedArtistID = artistId;
    m_name.show(nameEdit, artist->name);
    return true;
}

void ArtistEditor::save()
{
    if (busy())
        return;
    if (EditedArtistID == -1)
        saveNewArtist();
    else
        saveEditedArtist();
}

bool ArtistEditor::checkName()
{
    // A name saved as it was stored is the artist as it was, an empty or NULL one included.
    return (EditedArtistID != -1 && m_name.unchanged(nameEdit->text())) || checkText(nameEdit, NoArtistNameText);
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

void showEditArtist(int artistId, ArtistStore &artists, MessageService &messages, QWidget *parent)
{
    ArtistEditor dialog(artists, messages, parent);
    if (dialog.prepareEdit(artistId))
        dialog.exec();
}
