#include "editors/FM_AddEditMovie.h"

#include "base/WindowFont.h"
#include "store/DM_Movie.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace U_Constantes;

namespace {
constexpr int MaxTextLength = 254;
}

TF_AddEditMovie::TF_AddEditMovie(TD_Movie &movies, MessageService &messages, QWidget *parent)
    : SmallEditor(parent)
    , m_movies(movies)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("F_AddEditMovie"));
    setWindowTitle(NewMovieCaption);
    setFont(windowFont());
    setFixedSize(345, 119);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 329, 73);
    Label1 = new QLabel(LabelMovieTitle, Panel1);
    Label1->move(8, 16);
    Label1->adjustSize();
    Label2 = new QLabel(LabelMovieType, Panel1);
    Label2->move(8, 48);
    Label2->adjustSize();
    Edt_title = new QLineEdit(Panel1);
    Edt_title->setGeometry(48, 12, 273, 21);
    Edt_title->setMaxLength(MaxTextLength);
    saveOnEnterIn(Edt_title);
    ComboBox_type = new QComboBox(Panel1);
    ComboBox_type->setGeometry(48, 44, 145, 21);
    ComboBox_type->setEditable(true);
    // A typed type is stored as it is, never added to the list.
    ComboBox_type->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_type->lineEdit()->setMaxLength(MaxTextLength);
    // The box picks the listed type its text matches when Enter or leaving it ends the typing, in
    // the case its completer matches in: a case-blind one made "other" the listed "Other".
    ComboBox_type->completer()->setCaseSensitivity(Qt::CaseSensitive);
    for (const QString &type : MovieTypes)
        ComboBox_type->addItem(type);
    ComboBox_type->setCurrentIndex(-1);
    ComboBox_type->setEditText(QString());
    // Created in tab order; neither button is a default one, so Enter saves only from the title box.
    Button1 = new QPushButton(BtnSaveMovie, this);
    Button1->setGeometry(184, 88, 75, 25);
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(BtnCancel, this);
    Button2->setGeometry(264, 88, 75, 25);
    Button2->setAutoDefault(false);

    const std::pair<QWidget *, const char *> names[] = {
        {Panel1, "Panel1"}, {Label1, "Label1"}, {Label2, "Label2"}, {Edt_title, "Edt_title"},
        {ComboBox_type, "ComboBox_type"}, {Button1, "Button1"}, {Button2, "Button2"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(Button1, &QPushButton::clicked, this, &TF_AddEditMovie::save);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TF_AddEditMovie::prepareEdit(int movieId, const QString &title, const QString &type)
{
    setWindowTitle(EditMovieCaption);
    // The box would cut a longer text, and saving would then lose its end.
    m_title.show(Edt_title, title);
    m_type.show(ComboBox_type->lineEdit(), type);
    EditedMovieID = movieId;
}

void TF_AddEditMovie::save()
{
    if (EditedMovieID == -1)
        SaveNewMovie();
    else
        SaveEditedMovie();
}

bool TF_AddEditMovie::checkTitle()
{
    if (!Edt_title->text().isEmpty())
        return true;
    m_messages.warning(NoMovieTitleText);
    Edt_title->setFocus();
    return false;
}

void TF_AddEditMovie::SaveNewMovie()
{
    if (!checkTitle())
        return;
    storeAndClose([this] { return m_movies.AddMovie(Edt_title->text(), ComboBox_type->currentText()); });
}

void TF_AddEditMovie::SaveEditedMovie()
{
    if (!checkTitle())
        return;
    storeAndClose([this] {
        return m_movies.UpdateMovie(EditedMovieID, m_title.value(Edt_title->text()),
                                    m_type.value(ComboBox_type->currentText()));
    });
}

void ShowNewMovie(TD_Movie &movies, MessageService &messages, QWidget *parent)
{
    TF_AddEditMovie dialog(movies, messages, parent);
    dialog.EditedMovieID = -1;
    dialog.ComboBox_type->setCurrentIndex(0);
    dialog.exec();
}

void ShowEditMovie(int movieId, const QString &title, const QString &type, TD_Movie &movies, MessageService &messages,
                   QWidget *parent)
{
    TF_AddEditMovie dialog(movies, messages, parent);
    dialog.prepareEdit(movieId, title, type);
    dialog.exec();
}
