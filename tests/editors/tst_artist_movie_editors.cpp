// The artist and movie dialogs on a real catalogue: what each save path stores, the empty-text
// check, a failing store, the keys, and the entries that open them.

#include "base/Texts.h"
#include "editors/ArtistEditor.h"
#include "editors/LockWaitDialog.h"
#include "editors/MovieEditor.h"
#include "support/LockWaitWatch.h"
#include "support/ModalDriver.h"
#include "support/StoresOnCatalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <tuple>

namespace {

const QString Seed = QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');"
                                    "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD');");

void pressEnter(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Return);
}

} // namespace

class tst_ArtistMovieEditors : public QObject
{
    Q_OBJECT
private slots:
    void artistSave_data();
    void artistSave();
    void movieSave_data();
    void movieSave();
    void typedTypeStoredAsTyped_data();
    void typedTypeStoredAsTyped();
    void storeFailureKeepsTheDialog_data();
    void storeFailureKeepsTheDialog();
    void saveWaitsForAnotherProgram_data();
    void saveWaitsForAnotherProgram();
    void goneRecordOpensNoEditor_data();
    void goneRecordOpensNoEditor();
    void keysThatDoNotSave();
    void cancelAndCloseBoxStoreNothing();
    void layout();
    void entriesFillTheDialog();
    void longStoredTitleKeptOnEdit();
};

void tst_ArtistMovieEditors::artistSave_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QStringList>("rows");
    const QStringList untouched{"1|Abba", "2|Beatles"};
    QTest::newRow("new by button") << -1 << "Cure" << false << QStringList{"1|Abba", "2|Beatles", "3|Cure"};
    QTest::newRow("new by Enter") << -1 << "Cure" << true << QStringList{"1|Abba", "2|Beatles", "3|Cure"};
    QTest::newRow("new, blanks kept") << -1 << "  " << false << QStringList{"1|Abba", "2|Beatles", "3|  "};
    QTest::newRow("edit by button") << 2 << "The Beatles " << false << QStringList{"1|Abba", "2|The Beatles "};
    QTest::newRow("edit by Enter") << 1 << "ABBA" << true << QStringList{"1|ABBA", "2|Beatles"};
    QTest::newRow("new, empty") << -1 << "" << false << untouched;
    QTest::newRow("edit, empty by Enter") << 1 << "" << true << untouched;
}

void tst_ArtistMovieEditors::artistSave()
{
    QFETCH(int, id);
    QFETCH(QString, name);
    QFETCH(bool, byEnter);
    QFETCH(QStringList, rows);
    EditorCatalogue f(Seed);
    ArtistEditor dialog(f.artists, f.messages);
    dialog.EditedArtistID = id;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.nameEdit->setText(name);
    if (byEnter) {
        dialog.nameEdit->setFocus();
        pressEnter(dialog.nameEdit);
    } else {
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
    }
    QCOMPARE(f.artistRows(), rows);
    if (name.isEmpty()) {
        QCOMPARE(f.messages.texts(), QStringList{"Please specify a name for the artist."});
        QCOMPARE(f.messages.boxes[0].kind, MessageService::Kind::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), dialog.nameEdit);
    } else {
        QVERIFY(f.messages.boxes.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
}

void tst_ArtistMovieEditors::movieSave_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("new by button") << -1 << "Brazil"
                                   << "VCD (MPEG)" << false << QStringList{"1|Alien|DVD", "2|Brazil|VCD (MPEG)"};
    QTest::newRow("new by Enter, typed type")
        << -1 << " Brazil "
        << "Betamax tape" << true << QStringList{"1|Alien|DVD", "2| Brazil |Betamax tape"};
    QTest::newRow("new, empty type") << -1 << "Brazil"
                                     << "" << false << QStringList{"1|Alien|DVD", "2|Brazil|"};
    QTest::newRow("edit by button") << 1 << "Aliens"
                                    << "Other" << false << QStringList{"1|Aliens|Other"};
    QTest::newRow("edit by Enter") << 1 << "Alien"
                                   << "LaserDisc" << true << QStringList{"1|Alien|LaserDisc"};
    QTest::newRow("new, empty title") << -1 << ""
                                      << "DVD" << true << QStringList{"1|Alien|DVD"};
    QTest::newRow("edit, empty title") << 1 << ""
                                       << "DVD" << false << QStringList{"1|Alien|DVD"};
}

void tst_ArtistMovieEditors::movieSave()
{
    QFETCH(int, id);
    QFETCH(QString, title);
    QFETCH(QString, type);
    QFETCH(bool, byEnter);
    QFETCH(QStringList, rows);
    EditorCatalogue f(Seed);
    MovieEditor dialog(f.movies, f.messages);
    dialog.EditedMovieID = id;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.titleEdit->setText(title);
    // Typed, not picked, so an unlisted type goes the way the user's would.
    dialog.typeBox->lineEdit()->clear();
    QTest::keyClicks(dialog.typeBox->lineEdit(), type);
    if (byEnter) {
        dialog.titleEdit->setFocus();
        pressEnter(dialog.titleEdit);
    } else {
        QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
    }
    QCOMPARE(f.movieRows(), rows);
    if (title.isEmpty()) {
        QCOMPARE(f.messages.texts(), QStringList{"Please specify a title for the movie."});
        QCOMPARE(f.messages.boxes[0].kind, MessageService::Kind::Warning);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), dialog.titleEdit);
    } else {
        QVERIFY(f.messages.boxes.isEmpty());
        QVERIFY(!dialog.isVisible());
    }
}

void tst_ArtistMovieEditors::typedTypeStoredAsTyped_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("key"); // ends the typing in the type box
    QTest::newRow("listed in another case, Enter") << "other" << int(Qt::Key_Return);
    QTest::newRow("listed in another case, Tab") << "dvd" << int(Qt::Key_Tab);
}

// The text in the type box is the type, whatever the list holds that looks like it.
void tst_ArtistMovieEditors::typedTypeStoredAsTyped()
{
    QFETCH(QString, type);
    QFETCH(int, key);
    EditorCatalogue f(Seed);
    MovieEditor dialog(f.movies, f.messages);
    QVERIFY(dialog.prepareEdit(1));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.typeBox->setFocus();
    dialog.typeBox->lineEdit()->clear();
    QTest::keyClicks(dialog.typeBox->lineEdit(), type);
    QTest::keyClick(dialog.typeBox->lineEdit(), Qt::Key(key));
    QCOMPARE(dialog.typeBox->currentText(), type);
    QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
    QCOMPARE(f.movieRows(), QStringList{"1|Alien|" + type});
}

void tst_ArtistMovieEditors::storeFailureKeepsTheDialog_data()
{
    QTest::addColumn<QString>("dialogKind");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("locked"); // another program holds the write lock; else a trigger refuses
    QTest::addColumn<QString>("warning");
    for (const bool locked : {false, true}) {
        const char *cause = locked ? ", another program writing" : "";
        QTest::addRow("new artist%s", cause)
            << "artist" << -1 << locked << "The artist could not be added for the following reason :";
        QTest::addRow("edited artist%s", cause)
            << "artist" << 1 << locked << "The artist could not be updated for the following reason :";
        QTest::addRow("new movie%s", cause)
            << "movie" << -1 << locked << "The movie could not be added for the following reason :";
        QTest::addRow("edited movie%s", cause)
            << "movie" << 1 << locked << "The movie could not be updated for the following reason :";
    }
}

// A save the catalogue refuses leaves the dialog open with what was typed, after the store's
// warning; the save, its wait for another program's write included, runs under the hourglass.
void tst_ArtistMovieEditors::storeFailureKeepsTheDialog()
{
    QFETCH(QString, dialogKind);
    QFETCH(int, id);
    QFETCH(bool, locked);
    QFETCH(QString, warning);
    EditorCatalogue f(Seed);
    const QString table = dialogKind == "artist" ? "ARTISTE" : "MOVIE";
    const QStringList before = dialogKind == "artist" ? f.artistRows() : f.movieRows();
    if (locked) {
        f.main.connection.setBusyTimeoutMs(200);
        f.cat.holdWriteLock();
    } else {
        for (const char *when : {"insert", "update"})
            f.cat.exec(
                QStringLiteral("create trigger refuse_%1 before %1 on %2 begin select raise(abort, 'refused'); end")
                    .arg(QLatin1String(when), table));
    }
    bool hourglass = false;
    f.messages.onShow = [&hourglass](const RecordingMessages::Box &) {
        hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    std::unique_ptr<QDialog> dialog;
    if (dialogKind == "artist") {
        auto *d = new ArtistEditor(f.artists, f.messages);
        d->EditedArtistID = id;
        d->nameEdit->setText("Cure");
        dialog.reset(d);
        d->show();
        QTest::mouseClick(d->saveButton, Qt::LeftButton);
    } else {
        auto *d = new MovieEditor(f.movies, f.messages);
        d->EditedMovieID = id;
        d->titleEdit->setText("Brazil");
        dialog.reset(d);
        d->show();
        QTest::mouseClick(d->saveButton, Qt::LeftButton);
    }
    if (locked) {
        f.cat.releaseWriteLock();
        QCOMPARE(f.messages.boxes.size(), 1);
        // In the user's words; the engine's own stay in the details.
        QCOMPARE(f.messages.boxes[0].text, warning + "\r\n" + Texts::ReasonCatalogueBusy);
        QVERIFY2(f.messages.boxes[0].details.contains("locked"), qPrintable(f.messages.boxes[0].details));
    } else {
        QCOMPARE(f.messages.texts(), QStringList{warning + "\r\nrefused"});
    }
    QVERIFY2(hourglass, "the save ran without the hourglass");
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(dialog->isVisible());
    if (auto *artist = qobject_cast<ArtistEditor *>(dialog.get()))
        QCOMPARE(artist->nameEdit->text(), QStringLiteral("Cure"));
    else
        QCOMPARE(static_cast<MovieEditor *>(dialog.get())->titleEdit->text(), QStringLiteral("Brazil"));
    QCOMPARE(dialogKind == "artist" ? f.artistRows() : f.movieRows(), before);
}

void tst_ArtistMovieEditors::saveWaitsForAnotherProgram_data()
{
    QTest::addColumn<QString>("dialogKind");
    QTest::addColumn<bool>("stopWaiting"); // else the other program lets go
    for (const char *kind : {"artist", "movie"}) {
        QTest::addRow("%s, the other program lets go: stored", kind) << kind << false;
        QTest::addRow("%s, the user stops waiting: nothing stored, the dialog stays", kind) << kind << true;
    }
}

// Another program holds the catalogue's write lock while the record is saved: the window keeps
// answering with the editor busy, a dialog says the save waits and lets the user stop waiting.
void tst_ArtistMovieEditors::saveWaitsForAnotherProgram()
{
    QFETCH(QString, dialogKind);
    QFETCH(bool, stopWaiting);
    EditorCatalogue f(Seed);
    f.main.setLockWaiter(windowLockWaiter());
    const bool artist = dialogKind == "artist";
    std::unique_ptr<QDialog> dialog;
    QLineEdit *text = nullptr;
    QPushButton *save = nullptr;
    QPushButton *cancel = nullptr;
    if (artist) {
        auto *d = new ArtistEditor(f.artists, f.messages);
        dialog.reset(d);
        QVERIFY(d->prepareEdit(1));
        std::tie(text, save, cancel) = std::tuple(d->nameEdit, d->saveButton, d->cancelButton);
    } else {
        auto *d = new MovieEditor(f.movies, f.messages);
        dialog.reset(d);
        QVERIFY(d->prepareEdit(1));
        std::tie(text, save, cancel) = std::tuple(d->titleEdit, d->saveButton, d->cancelButton);
    }
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    text->setText("Cure");
    const QStringList before = artist ? f.artistRows() : f.movieRows();
    f.cat.holdWriteLock();

    LockWaitWatch watch(
        stopWaiting, [&] { return !save->isEnabled() && !cancel->isEnabled(); }, [&] { f.cat.releaseWriteLock(); });
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);
    save->click();
    watch.stop();
    if (stopWaiting)
        f.cat.releaseWriteLock();

    QVERIFY2(watch.shown, "no dialog said that the save waits");
    QVERIFY(watch.ticks > watch.ticksWhileShown);
    QVERIFY(watch.editorBusy);
    QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
    QCOMPARE(accepted.size(), stopWaiting ? 0 : 1);
    QStringList after = before;
    if (!stopWaiting)
        after[0] = artist ? "1|Cure" : "1|Cure|DVD";
    QCOMPARE(artist ? f.artistRows() : f.movieRows(), after);
    QCOMPARE(dialog->isVisible(), stopWaiting);
    if (stopWaiting) {
        QCOMPARE(text->text(), QStringLiteral("Cure"));
        QVERIFY(save->isEnabled() && cancel->isEnabled());
    }
}

void tst_ArtistMovieEditors::goneRecordOpensNoEditor_data()
{
    QTest::addColumn<QString>("dialogKind");
    QTest::addColumn<QString>("warning");
    QTest::newRow("artist") << "artist" << Texts::ArtistNotFoundText;
    QTest::newRow("movie") << "movie" << Texts::MovieNotFoundText;
}

// Another program deleted the record after the list was read: the editor says so and stays shut.
void tst_ArtistMovieEditors::goneRecordOpensNoEditor()
{
    QFETCH(QString, dialogKind);
    QFETCH(QString, warning);
    EditorCatalogue f(Seed);
    f.cat.exec("delete from ARTISTE where ART_ID = 1; delete from MOVIE where MOV_ID = 1");
    bool opened = false;
    auto any = driveModal<QDialog>([&](QDialog *) { opened = true; }, 500);
    if (dialogKind == "artist")
        showEditArtist(1, f.artists, f.messages);
    else
        showEditMovie(1, f.movies, f.messages);
    QVERIFY(!opened);
    QCOMPARE(f.messages.texts(), QStringList{warning});
    QCOMPARE(f.artistRows(), QStringList{"2|Beatles"});
    QVERIFY(f.movieRows().isEmpty());
}

void tst_ArtistMovieEditors::keysThatDoNotSave()
{
    EditorCatalogue f(Seed);
    MovieEditor dialog(f.movies, f.messages);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.titleEdit->setText("Brazil");
    dialog.typeBox->setFocus();
    QTest::keyClicks(dialog.typeBox->lineEdit(), "Tape");
    QTest::keyClick(dialog.typeBox->lineEdit(), Qt::Key_Return);
    QTest::keyClick(dialog.typeBox->lineEdit(), Qt::Key_Escape);
    dialog.cancelButton->setFocus();
    QTest::keyClick(dialog.cancelButton, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(f.movieRows(), QStringList{"1|Alien|DVD"});
    // Enter in the type box adds nothing to the list.
    QCOMPARE(dialog.typeBox->count(), 8);
    QCOMPARE(dialog.typeBox->currentText(), QStringLiteral("Tape"));

    ArtistEditor artist(f.artists, f.messages);
    artist.show();
    QVERIFY(QTest::qWaitForWindowActive(&artist));
    artist.nameEdit->setText("Cure");
    artist.cancelButton->setFocus();
    QTest::keyClick(artist.cancelButton, Qt::Key_Return);
    QVERIFY(artist.isVisible());
    QTest::keyClick(artist.nameEdit, Qt::Key_Escape);
    QVERIFY(artist.isVisible());
    QCOMPARE(f.cat.count("ARTISTE"), 2);
}

void tst_ArtistMovieEditors::cancelAndCloseBoxStoreNothing()
{
    EditorCatalogue f(Seed);
    ArtistEditor artist(f.artists, f.messages);
    artist.show();
    artist.nameEdit->setText("Cure");
    QTest::mouseClick(artist.cancelButton, Qt::LeftButton);
    QVERIFY(!artist.isVisible());
    MovieEditor movie(f.movies, f.messages);
    movie.show();
    movie.titleEdit->setText("Brazil");
    QVERIFY(movie.close());
    QVERIFY(!movie.isVisible());
    MovieEditor cancelled(f.movies, f.messages);
    cancelled.EditedMovieID = 1;
    cancelled.show();
    cancelled.titleEdit->setText("Brazil");
    QTest::mouseClick(cancelled.cancelButton, Qt::LeftButton);
    QVERIFY(!cancelled.isVisible());
    QCOMPARE(f.artistRows(), QStringList({"1|Abba", "2|Beatles"}));
    QCOMPARE(f.movieRows(), QStringList{"1|Alien|DVD"});
    QVERIFY(f.messages.boxes.isEmpty());
}

void tst_ArtistMovieEditors::layout()
{
    EditorCatalogue f(Seed);
    ArtistEditor artist(f.artists, f.messages);
    QCOMPARE(artist.size(), QSize(345, 86));
    QCOMPARE(artist.minimumSize(), artist.maximumSize());
    QVERIFY(!(artist.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(artist.nameLabel->text(), QStringLiteral("Name"));
    QCOMPARE(artist.cancelButton->text(), QStringLiteral("&Cancel"));
    QCOMPARE(artist.saveButton->text(), QStringLiteral("&Save artist"));
    QCOMPARE(artist.saveButton->geometry(), QRect(184, 56, 75, 25));
    QCOMPARE(artist.nameEdit->maxLength(), QLineEdit().maxLength()); // no limit of its own
    QVERIFY(!artist.cancelButton->autoDefault() && !artist.saveButton->autoDefault());

    MovieEditor movie(f.movies, f.messages);
    QCOMPARE(movie.size(), QSize(345, 119));
    QCOMPARE(movie.titleLabel->text(), QStringLiteral("Title"));
    QCOMPARE(movie.typeLabel->text(), QStringLiteral("Type"));
    QCOMPARE(movie.saveButton->text(), QStringLiteral("&Save movie"));
    QCOMPARE(movie.cancelButton->text(), QStringLiteral("&Cancel"));
    QCOMPARE(movie.typeBox->geometry(), QRect(48, 44, 145, 21));
    QStringList types;
    for (int i = 0; i < movie.typeBox->count(); ++i)
        types << movie.typeBox->itemText(i);
    QCOMPARE(types,
             QStringList({"DVD", "DivX (High Quality)", "DivX (Medium Quality)", "DivX (Low Quality)",
                          "DivX (Screener)", "VCD (MPEG)", "SVCD (MPEG2)", "Other"}));
    // 254 characters at most in either box.
    const QString tooLong(300, u'x');
    movie.show();
    movie.titleEdit->clear();
    QTest::keyClicks(movie.titleEdit, tooLong);
    QCOMPARE(movie.titleEdit->text().size(), 254);
    movie.typeBox->lineEdit()->clear();
    QTest::keyClicks(movie.typeBox->lineEdit(), tooLong);
    QCOMPARE(movie.typeBox->currentText().size(), 254);
    // Tab order: title, type, save, cancel.
    QCOMPARE(movie.titleEdit->nextInFocusChain(), movie.typeBox);
}

void tst_ArtistMovieEditors::entriesFillTheDialog()
{
    EditorCatalogue f(Seed);
    QStringList seen;
    auto look = [&seen](QDialog &d, QLineEdit *text, QComboBox *type) {
        seen << QStringLiteral("%1|%2|%3")
                    .arg(d.windowTitle(), text->text(), type ? type->currentText() : QStringLiteral("-"));
    };

    auto newArtist = driveModal<ArtistEditor>([&](ArtistEditor *a) {
        look(*a, a->nameEdit, nullptr);
        QCOMPARE(a->EditedArtistID, -1);
        QTest::keyClicks(a->nameEdit, "Cure");
        pressEnter(a->nameEdit);
    });
    showNewArtist(f.artists, f.messages);
    QVERIFY(newArtist->came());

    auto editedArtist = driveModal<ArtistEditor>([&](ArtistEditor *a) {
        look(*a, a->nameEdit, nullptr);
        QTest::mouseClick(a->saveButton, Qt::LeftButton);
    });
    // What the catalogue holds now, whatever the list read before.
    f.cat.exec("update ARTISTE set ART_NAME = 'Beatles!' where ART_ID = 2");
    showEditArtist(2, f.artists, f.messages);
    QVERIFY(editedArtist->came());

    auto newMovie = driveModal<MovieEditor>([&](MovieEditor *m) {
        look(*m, m->titleEdit, m->typeBox);
        QCOMPARE(m->EditedMovieID, -1);
        QTest::keyClicks(m->titleEdit, "Brazil");
        QTest::mouseClick(m->saveButton, Qt::LeftButton);
    });
    showNewMovie(f.movies, f.messages);
    QVERIFY(newMovie->came());

    // A type that is not in the list is shown, and saved untouched.
    auto editedMovie = driveModal<MovieEditor>([&](MovieEditor *m) {
        look(*m, m->titleEdit, m->typeBox);
        QCOMPARE(m->EditedMovieID, 1);
        QTest::mouseClick(m->saveButton, Qt::LeftButton);
    });
    f.cat.exec("update MOVIE set MOV_TITLE = 'Alien ', MOV_TYPE = 'Betamax' where MOV_ID = 1");
    showEditMovie(1, f.movies, f.messages);
    QVERIFY(editedMovie->came());

    QCOMPARE(seen,
             QStringList({"New artist||-", "Edit artist|Beatles!|-", "New Movie||DVD", "Edit Movie|Alien |Betamax"}));
    QCOMPARE(f.artistRows(), QStringList({"1|Abba", "2|Beatles!", "3|Cure"}));
    QCOMPARE(f.movieRows(), QStringList({"1|Alien |Betamax", "2|Brazil|DVD"}));
}

void tst_ArtistMovieEditors::longStoredTitleKeptOnEdit()
{
    EditorCatalogue f(Seed);
    const QString title(255, u't');
    const QString type(255, u'y');
    f.cat.exec(QStringLiteral("update MOVIE set MOV_TITLE = '%1', MOV_TYPE = '%2' where MOV_ID = 1").arg(title, type));
    MovieEditor dialog(f.movies, f.messages);
    QVERIFY(dialog.prepareEdit(1));
    dialog.show();
    QTest::mouseClick(dialog.saveButton, Qt::LeftButton);
    QCOMPARE(f.movieRows(), QStringList{"1|" + title + "|" + type});
    QVERIFY(f.messages.boxes.isEmpty());
}

QTEST_MAIN(tst_ArtistMovieEditors)
#include "tst_artist_movie_editors.moc"
