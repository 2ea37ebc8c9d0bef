#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class ArtistStore;

// Adds an artist, or renames one as the catalogue holds it.
class ArtistEditor : public SmallEditor
{
    Q_OBJECT
public:
    ArtistEditor(ArtistStore &artists, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from the catalogue, the name in full; false, after a warning, when the
    // artist is no longer there.
    bool prepareEdit(int artistId);
    void saveNewArtist();
    void saveEditedArtist();

    int EditedArtistID = -1;

    QFrame *fieldsPanel = nullptr;
    QLabel *nameLabel = nullptr;
    QLineEdit *nameEdit = nullptr;
    QPushButton *cancelButton = nullptr; // "&Cancel"
    QPushButton *saveButton = nullptr;   // "&Save artist"

private:
    void save() override;
    bool checkName();

    ArtistStore &m_artists;
    ShownText m_name;
};

// Each shows its dialog modally and returns once it has closed.
void showNewArtist(ArtistStore &artists, MessageService &messages, QWidget *parent = nullptr);
void showEditArtist(int artistId, ArtistStore &artists, MessageService &messages, QWidget *parent = nullptr);
