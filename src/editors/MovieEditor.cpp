#include "editors/MovieEditor.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "base/WindowFont.h"
#include "store/MovieStore.h"

#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace Texts;

namespace {
constexpr int MaxTextLength = 254;
}

MovieEditor::MovieEditor(MovieStore &movies, MessageService &messages, QWidget *parent)
    : SmallEditor(messages, parent)
    , m_movies(movies)
{
    setObjectName(QStringLiteral("F_AddEditMovie"));
    setWindowTitle(NewMovieCaption);
    setFont(windowFont());
    setFixedSize(345, 119);

    fieldsPanel = new QFrame(this);
    fieldsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    fieldsPanel->setGeometry(8, 8, 329, 73);
    titleLabel = new QLabel(LabelMovieTitle, fieldsPanel);
    titleLabel->move(8, 16);
    titleLabel->adjustSize();
    typeLabel = new QLabel(LabelMovieType, fieldsPanel);
    typeLabel->move(8, 48);
    typeLabel->adjustSize();
    titleEdit = new QLineEdit(fieldsPanel);
    titleEdit->setGeometry(48, 12, 273, 21);
    titleEdit->setMaxLength(MaxTextLength);
    saveOnEnterIn(titleEdit);
    typeBox = new QComboBox(fieldsPanel);
    typeBox->setGeometry(48, 44, 145, 21);
    typeBox->setEditable(true);
    // A typed type is stored as it is, never added to the list.
    typeBox->setInsertPolicy(QComboBox::NoInsert);
    typeBox->lineEdit()->setMaxLength(MaxTextLength);
    // The box picks the listed type its text matches when Enter or leaving it ends the typing, in
    // the case its completer matches in: a case-blind one made "other" the listed "Other".
    typeBox->completer()->setCaseSensitivity(Qt::CaseSensitive);
    for (const QString &type : MovieTypes)
        typeBox->addItem(type);
    typeBox->setCurrentIndex(-1);
    typeBox->setEditText(QString());
    // Created in tab order; neither button is a default one, so Enter saves only from the title box.
    saveButton = new QPushButton(BtnSaveMovie, this);
    saveButton->setGeometry(184, 88, 75, 25);
    saveButton->setAutoDefault(false);
    cancelButton = new QPushButton(BtnCancel, this);
    cancelButton->setGeometry(264, 88, 75, 25);
    cancelButton->setAutoDefault(false);

    const std::pair<QWidget *, const char *> names[]
        = {{fieldsPanel, "fieldsPanel"},  {titleLabel, "titleLabel"}, {typeLabel, "typeLabel"},
           {titleEdit, "titleEdit"},      {typeBox, "typeBox"},       {saveButton, "saveButton"},
           {cancelButton, "cancelButton"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    setSaveAndCancel(saveButton, cancelButton);
    connect(saveButton, &QPushButton::clicked, this, &MovieEditor::save);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool MovieEditor::prepareEdit(int movieId)
{
    // From the catalogue, not from the list: the list's text cannot tell a NULL from an empty one.
    const std::optional<Movie> movie = m_movies.movie(movieId);
    if (!movie) {
        messages().warning(MovieNotFoundText);
        return false;
    }
    setWindowTitle(EditMovieCaption);
    // The box would cut a longer text, and saving would then lose its end.
    m_title.show(titleEdit, movie->title);
    m_type.show(typeBox->lineEdit(), movie->type);
    EditedMovieID = movieId;
    return true;
}

void MovieEditor::save()
{
    if (busy())
        return;
    if (EditedMovieID == -1)
        saveNewMovie();
    else
        saveEditedMovie();
}

bool MovieEditor::checkTitle()
{
    // A title saved as it was stored is the movie as it was, an empty or NULL one included.
    return (EditedMovieID != -1 && m_title.unchanged(titleEdit->text())) || checkText(titleEdit, NoMovieTitleText);
}

void MovieEditor::saveNewMovie()
{
    if (!checkTitle())
        return;
    storeAndClose([this] { return m_movies.addMovie(titleEdit->text(), typeBox->currentText()); });
}

void MovieEditor::saveEditedMovie()
{
    if (!checkTitle())
        return;
    storeAndClose([this] {
        return m_movies.updateMovie(EditedMovieID, m_title.value(titleEdit->text()),
                                    m_type.value(typeBox->currentText()));
    });
}

void showNewMovie(MovieStore &movies, MessageService &messages, QWidget *parent)
{
    MovieEditor dialog(movies, messages, parent);
    dialog.EditedMovieID = -1;
    dialog.typeBox->setCurrentIndex(0);
    dialog.exec();
}

void showEditMovie(int movieId, MovieStore &movies, MessageService &messages, QWidget *parent)
{
    MovieEditor dialog(movies, messages, parent);
    if (dialog.prepareEdit(movieId))
        dialog.exec();
}
