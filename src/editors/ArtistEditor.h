#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class MessageService;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class ArtistStore;

// Adds an artist, or renames one filled from a list row.
class ArtistEditor : public SmallEditor
{
    Q_OBJECT
public:
    ArtistEditor(ArtistStore &artists, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from a list row, the name in full.
    void prepareEdit(int artistId, const QString &name);
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
    MessageService &m_messages;
    ShownText m_name;
};

// Each shows its dialog modally and returns once it has closed.
void showNewArtist(ArtistStore &artists, MessageService &messages, QWidget *parent = nullptr);
void showEditArtist(int artistId, const QString &name, ArtistStore &artists, MessageService &messages,
                    QWidget *parent = nullptr);
