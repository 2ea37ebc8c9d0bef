#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class MessageService;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class MovieStore;

// Adds a movie, or edits one filled from a list row: a title and a type, listed or typed.
class MovieEditor : public SmallEditor
{
    Q_OBJECT
public:
    MovieEditor(MovieStore &movies, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from a list row, the texts in full, even a stored title longer than typing allows.
    void prepareEdit(int movieId, const QString &title, const QString &type);
    void saveNewMovie();
    void saveEditedMovie();

    int EditedMovieID = -1;

    QFrame *fieldsPanel = nullptr;
    QLabel *titleLabel = nullptr;
    QLabel *typeLabel = nullptr;
    QLineEdit *titleEdit = nullptr;
    QComboBox *typeBox = nullptr;
    QPushButton *saveButton = nullptr;   // "&Save movie"
    QPushButton *cancelButton = nullptr; // "&Cancel"

private:
    void save() override;
    bool checkTitle();

    MovieStore &m_movies;
    MessageService &m_messages;
    ShownText m_title, m_type;
};

// Each shows its dialog modally and returns once it has closed.
void showNewMovie(MovieStore &movies, MessageService &messages, QWidget *parent = nullptr);
void showEditMovie(int movieId, const QString &title, const QString &type, MovieStore &movies, MessageService &messages,
                   QWidget *parent = nullptr);
