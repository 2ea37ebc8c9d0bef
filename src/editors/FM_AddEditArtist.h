#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class MessageService;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TD_Artist;

// Adds an artist, or renames one filled from a list row.
class TF_AddEditArtist : public SmallEditor
{
    Q_OBJECT
public:
    TF_AddEditArtist(TD_Artist &artists, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from a list row, the name in full.
    void prepareEdit(int artistId, const QString &name);
    void SaveNewArtist();
    void SaveEditedArtist();

    int EditedArtistID = -1;

    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Edit_name = nullptr;
    QPushButton *Button1 = nullptr; // "&Cancel"
    QPushButton *Button2 = nullptr; // "&Save artist"

private:
    void save() override;
    bool checkName();

    TD_Artist &m_artists;
    MessageService &m_messages;
    ShownText m_name;
};

// Each shows its dialog modally and returns once it has closed.
void ShowNewArtist(TD_Artist &artists, MessageService &messages, QWidget *parent = nullptr);
void ShowEditArtist(int artistId, const QString &name, TD_Artist &artists, MessageService &messages,
                    QWidget *parent = nullptr);
