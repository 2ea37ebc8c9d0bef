#pragma once

#include "editors/ShownText.h"
#include "editors/SmallEditor.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class MovieStore;

// Adds a movie, or edits one as the catalogue holds it: a title and a type, listed or typed.
class MovieEditor : public SmallEditor
{
    Q_OBJECT
public:
    MovieEditor(MovieStore &movies, MessageService &messages, QWidget *parent = nullptr);

    // Fills the dialog from the catalogue, the texts in full, even a stored title longer than typing
    // allows; false, after a warning, when the movie is no longer there.
    bool prepareEdit(int movieId);
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
    ShownText m_title, m_type;
};

// Each shows its dialog modally and returns once it has closed.
void showNewMovie(MovieStore &movies, MessageService &messages, QWidget *parent = nullptr);
void showEditMovie(int movieId, MovieStore &movies, MessageService &messages, QWidget *parent = nullptr);
