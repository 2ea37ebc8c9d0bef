#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class MessageService;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TD_Movie;

// Adds a movie, or edits one filled from a list row: a title and a type, listed or typed.
class TF_AddEditMovie : public SmallEditor
{
    Q_OBJECT
public:
    TF_AddEditMovie(TD_Movie &movies, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from a list row, the texts in full, even a stored title longer than typing allows.
    void prepareEdit(int movieId, const QString &title, const QString &type);
    void SaveNewMovie();
    void SaveEditedMovie();

    int EditedMovieID = -1;

    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Edt_title = nullptr;
    QComboBox *ComboBox_type = nullptr;
    QPushButton *Button1 = nullptr; // "&Save movie"
    QPushButton *Button2 = nullptr; // "&Cancel"

private:
    void save() override;
    bool checkTitle();

    TD_Movie &m_movies;
    MessageService &m_messages;
    ShownText m_title, m_type;
};

// Each shows its dialog modally and returns once it has closed.
void ShowNewMovie(TD_Movie &movies, MessageService &messages, QWidget *parent = nullptr);
void ShowEditMovie(int movieId, const QString &title, const QString &type, TD_Movie &movies, MessageService &messages,
                   QWidget *parent = nullptr);
