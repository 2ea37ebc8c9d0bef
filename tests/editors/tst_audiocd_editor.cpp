// The audio CD editor on a real catalogue file: its save paths, its cover files, its track list,
// and its filling from a CDDB server on 127.0.0.1 with a CUE image as the drive.

#include "CueImage.h"
#include "ScriptedServer.h"
#include "base/Texts.h"
#include "editors/AudioCDEditor.h"
#include "editors/LockWaitDialog.h"
#include "support/LockWaitWatch.h"
#include "support/StoresOnCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TwoArtists = QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');");

QString writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        return {};
    return path;
}

QByteArray jpegBytes(const QSize &size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return data;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray pictureBytes(const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

// Work handed to other threads is done, and its results have reached the window's thread.
void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

QString ok(const QString &body)
{
    return QStringLiteral("HTTP/1.0 200 OK\r\n\r\n") + body;
}

// Only gnudb, at the test's server: the default sources would reach the internet.
DiscPreferences gnudbOnly(quint16 port)
{
    DiscPreferences p;
    p.gnudbUrl = QStringLiteral("http://127.0.0.1:%1/~cddb").arg(port);
    p.musicBrainzUrl = p.coverArtUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
    for (DiscPreferences::Source &s : p.sources)
        s.enabled = s.source == LookupSource::Gnudb;
    return p;
}

const QString ReadReply = QStringLiteral("210 rock 0901c102 CD database entry follows\r\n# xmcd\r\n"
                                         "DTITLE=Some Artist / Some Title\r\nTTITLE0=Intro\r\nTTITLE1=Song\r\n.\r\n");

} // namespace

class tst_AudioCDEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void saveNew_data();
    void saveNew();
    void editOpensOnTheCD_data();
    void editOpensOnTheCD();
    void saveEdited();
    void saveWaitsForAnotherProgram_data();
    void saveWaitsForAnotherProgram();
    void artistsInTheUsersCollation_data();
    void artistsInTheUsersCollation();
    void coverFiles();
    void coverThatCannotBeLoaded();
    void coverStoredAtACoversSize_data();
    void coverStoredAtACoversSize();
    void coverReadWhileTheWindowAnswers();
    void coverFolderCannotBeMade();
    void trackList();
    void noDrive();
    void lookupFillsEditor_data();
    void lookupFillsEditor();
    void lookupCancelled_data();
    void lookupCancelled();
    void lookupFillsWhatIsEmpty_data();
    void lookupFillsWhatIsEmpty();
    void discImageOfThePreferences();

private:
    QTemporaryDir m_dir;
    QString m_disc;
};

void tst_AudioCDEditor::initTestCase()
{
    m_disc = writeCueImage(m_dir.path(), QStringLiteral("example"), {150, 18780}, 33825);
    QVERIFY(!m_disc.isEmpty());
}

void tst_AudioCDEditor::saveNew_data()
{
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("failure"); // "TABLE|COLUMN|VALUE" an insert the engine refuses
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("existingArtist"); // empty: "New artist" with newArtist
    QTest::addColumn<QString>("newArtist");
    QTest::addColumn<QString>("message"); // the start of the one box expected, if any
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QStringList>("stored"); // "title|artist|track,track"

    const QStringList none;
    QTest::newRow("new artist") << TwoArtists << QString() << QStringLiteral("Gold") << QString()
                                << QStringLiteral("ABBA") << QString() << true
                                << QStringList{QStringLiteral("Gold|ABBA|Waterloo,SOS")};
    QTest::newRow("existing artist") << TwoArtists << QString() << QStringLiteral("Help") << QStringLiteral("Beatles")
                                     << QString() << QString() << true
                                     << QStringList{QStringLiteral("Help|Beatles|Waterloo,SOS")};
    QTest::newRow("title of blanks") << TwoArtists << QString() << QStringLiteral("  ") << QStringLiteral("Abba")
                                     << QString() << QString() << true
                                     << QStringList{QStringLiteral("  |Abba|Waterloo,SOS")};
    QTest::newRow("empty title") << TwoArtists << QString() << QString() << QStringLiteral("Abba") << QString()
                                 << QStringLiteral("Please specify a title for the CD.") << false << none;
    QTest::newRow("empty artist name") << TwoArtists << QString() << QStringLiteral("Gold") << QString() << QString()
                                       << QStringLiteral("Please specify a name for the artist.") << false << none;
    QTest::newRow("no artist in the catalogue") << QString() << QString() << QStringLiteral("Gold")
                                                << QStringLiteral("*") << QString() << QString() << false << none;
    QTest::newRow("artist store fails") << TwoArtists << QStringLiteral("ARTISTE|ART_NAME|Doomed")
                                        << QStringLiteral("Gold") << QString() << QStringLiteral("Doomed")
                                        << Texts::ArtistNotAdded << false << none;
    QTest::newRow("CD store fails, the dialog stays open")
        << TwoArtists << QStringLiteral("CDAUDIO|CD_LABEL|Doomed") << QStringLiteral("Doomed") << QStringLiteral("Abba")
        << QString() << Texts::CDNotAdded << false << none;
    // The new artist, the CD and its tracks are one transaction.
    QTest::newRow("second track refused: neither the CD nor its new artist is stored")
        << TwoArtists << QStringLiteral("TRACK|TR_LABEL|SOS") << QStringLiteral("Gold") << QString()
        << QStringLiteral("Dido") << Texts::CDNotAdded << false << none;
    QTest::newRow("existing artist, another program holds the catalogue")
        << TwoArtists << QStringLiteral("lock") << QStringLiteral("Gold") << QStringLiteral("Abba") << QString()
        << Texts::CDNotAdded << false << none;
}

void tst_AudioCDEditor::saveNew()
{
    QFETCH(QString, seed);
    QFETCH(QString, failure);
    QFETCH(QString, title);
    QFETCH(QString, existingArtist);
    QFETCH(QString, newArtist);
    QFETCH(QString, message);
    QFETCH(bool, closes);
    QFETCH(QStringList, stored);

    EditorCatalogue cat(seed);
    if (failure == QLatin1String("lock")) {
        cat.main.connection.setBusyTimeoutMs(200);
        cat.cat.holdWriteLock();
    } else if (!failure.isEmpty()) {
        const QStringList f = failure.split(u'|');
        cat.cat.failInsertWhen(f[0], f[1], f[2]);
    }
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setCoversFolder(m_dir.filePath(QStringLiteral("covers-new")));
    dialog.prepareNew();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Audio CD"));
    QVERIFY(dialog.newArtistButton->isChecked());
    QVERIFY(!dialog.artistBox->isEnabled());

    dialog.titleEdit->setText(title);
    if (existingArtist.isEmpty()) {
        dialog.newArtistEdit->setText(newArtist);
    } else {
        dialog.existingArtistButton->setChecked(true);
        QVERIFY(dialog.artistBox->isEnabled());
        QVERIFY(!dialog.newArtistEdit->isEnabled());
        dialog.artistBox->setCurrentIndex(dialog.artistBox->findText(existingArtist));
    }
    for (const char *track : {"Waterloo", "SOS"}) {
        dialog.trackEdit->setText(QString::fromLatin1(track));
        dialog.addTrack();
    }
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    const int artistsBefore = int(cat.cat.count(QStringLiteral("ARTISTE")));
    dialog.saveButton->click();

    QCOMPARE(accepted.size(), closes ? 1 : 0);
    if (!closes) {
        QVERIFY(dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
        // Nothing typed is lost.
        QCOMPARE(dialog.titleEdit->text(), title);
        QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("Waterloo"), QStringLiteral("SOS")}));
    }
    QCOMPARE(cat.messages.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(cat.messages.boxes[0].text.startsWith(message), qPrintable(cat.messages.boxes[0].text));
    if (message.startsWith(QLatin1String("Please specify a title")))
        QCOMPARE(dialog.focusWidget(), dialog.titleEdit);
    if (message.startsWith(QLatin1String("Please specify a name")))
        QCOMPARE(dialog.focusWidget(), dialog.newArtistEdit);
    QCOMPARE(cat.cat.rows(QStringLiteral(
                 "select CD_LABEL, ART_NAME, (select group_concat(TR_LABEL) from (select TR_LABEL from TRACK t"
                 " where t.CD_ID = c.CD_ID order by TR_ID)) from CDAUDIO c join ARTISTE a on a.ART_ID = c.ART_ID")),
             stored);
    // A new artist is stored only with its CD.
    const bool newArtistStored = closes && existingArtist.isEmpty() && !newArtist.isEmpty();
    QCOMPARE(cat.cat.count(QStringLiteral("ARTISTE")), artistsBefore + (newArtistStored ? 1 : 0));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("covers-new"))));
}

void tst_AudioCDEditor::editOpensOnTheCD_data()
{
    QTest::addColumn<QString>("seed");
    QTest::addColumn<bool>("addedAfterSnapshot");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<int>("artistId");

    const QString cd = QStringLiteral(
        "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
        " (7, 'Gold', %1, '123', '1992', 1, 'two\r\nlines');"
        "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Waterloo', 7), (2, 'SOS', 7), (3, 'Other', 8);");
    QTest::newRow("its artist") << TwoArtists + cd.arg(1) << false << QStringLiteral("Abba") << 1;
    QTest::newRow("names differing in case only")
        << QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'ABBA'), (2, 'abba');") + cd.arg(2)
        << false << QStringLiteral("abba") << 2;
    QTest::newRow("two artists of one name, the second's CD")
        << QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Abba');") + cd.arg(2)
        << false << QStringLiteral("Abba") << 2;
    QTest::newRow("added after the lists were read") << TwoArtists << true << QStringLiteral("Beatles") << 3;
}

void tst_AudioCDEditor::editOpensOnTheCD()
{
    QFETCH(QString, seed);
    QFETCH(bool, addedAfterSnapshot);
    QFETCH(QString, artist);
    QFETCH(int, artistId);

    EditorCatalogue cat(seed);
    if (addedAfterSnapshot)
        cat.cat.exec(
            QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (3, 'Beatles');"
                           "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
                           " (7, 'Gold', 3, '123', '1992', 1, 'two\r\nlines');"
                           "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Waterloo', 7), (2, 'SOS', 7);"));
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    QVERIFY(dialog.prepareEdit(7));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Audio CD"));
    QCOMPARE(dialog.titleEdit->text(), QStringLiteral("Gold"));
    QCOMPARE(dialog.barcodeEdit->text(), QStringLiteral("123"));
    QCOMPARE(dialog.yearEdit->text(), QStringLiteral("1992"));
    QVERIFY(dialog.limitedBox->isChecked());
    QCOMPARE(dialog.commentsEdit->toPlainText(), QStringLiteral("two\nlines"));
    QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("Waterloo"), QStringLiteral("SOS")}));
    QVERIFY(dialog.existingArtistButton->isChecked());
    QCOMPARE(dialog.artistBox->currentText(), artist);
    QCOMPARE(dialog.artistBox->currentData().toInt(), artistId);
    QVERIFY(cat.messages.boxes.isEmpty());
    // Saved untouched, the CD stays with its own artist.
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(cat.cat.scalar(QStringLiteral("select ART_ID from CDAUDIO where CD_ID = 7")).toInt(), artistId);

    AudioCDEditor missing(cat.cds, cat.artists, cat.messages, cat.dialogs);
    QVERIFY(!missing.prepareEdit(99));
    QCOMPARE(cat.messages.texts().size(), 1);
}

void tst_AudioCDEditor::saveEdited()
{
    EditorCatalogue cat(
        TwoArtists
        + QStringLiteral(
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (7, 'Gold', 1, '', '1992', 0, ''), (8, 'Help', 2, '', '', 0, '');"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Waterloo', 7), (2, 'SOS', 7), (3, 'Help!', 8);"));
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    QVERIFY(dialog.prepareEdit(7));
    dialog.titleEdit->setText(QStringLiteral("Gold (remaster)"));
    dialog.artistBox->setCurrentIndex(dialog.artistBox->findText(QStringLiteral("Beatles")));
    dialog.trackList->item(0)->setSelected(true);
    dialog.deleteSelectedTracks();
    dialog.trackEdit->setText(QStringLiteral("Mamma Mia"));
    dialog.addTrack();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();

    QCOMPARE(accepted.size(), 1);
    QVERIFY(cat.messages.boxes.isEmpty());
    QCOMPARE(cat.cat.rows(QStringLiteral("select CD_ID, CD_LABEL, ART_ID from CDAUDIO order by CD_ID")),
             (QStringList{QStringLiteral("7|Gold (remaster)|2"), QStringLiteral("8|Help|2")}));
    QCOMPARE(cat.cat.rows(QStringLiteral("select TR_LABEL, CD_ID from TRACK order by TR_ID")),
             (QStringList{QStringLiteral("Help!|8"), QStringLiteral("SOS|7"), QStringLiteral("Mamma Mia|7")}));
}

void tst_AudioCDEditor::saveWaitsForAnotherProgram_data()
{
    QTest::addColumn<bool>("stopWaiting"); // else the other program lets go
    QTest::newRow("the other program lets go: stored once") << false;
    QTest::newRow("the user stops waiting: nothing stored, the dialog stays") << true;
}

// Another program holds the catalogue's write lock on a connection of its own while the CD is
// saved: the window keeps answering, a dialog says the save waits and lets the user stop waiting.
void tst_AudioCDEditor::saveWaitsForAnotherProgram()
{
    QFETCH(bool, stopWaiting);
    EditorCatalogue cat(TwoArtists);
    cat.main.setLockWaiter(windowLockWaiter());
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setCoversFolder(m_dir.filePath(QStringLiteral("covers-wait")));
    dialog.prepareNew();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.titleEdit->setText(QStringLiteral("Gold"));
    dialog.newArtistEdit->setText(QStringLiteral("ABBA"));
    for (const char *track : {"Waterloo", "SOS"}) {
        dialog.trackEdit->setText(QString::fromLatin1(track));
        dialog.addTrack();
    }
    cat.cat.holdWriteLock();

    // A few turns of the loop with the dialog up, then the wait ends one way or the other.
    LockWaitWatch watch(
        stopWaiting, [&] { return !dialog.cancelButton->isEnabled() && !dialog.saveButton->isEnabled(); },
        [&] { cat.cat.releaseWriteLock(); });
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();
    watch.stop();
    if (stopWaiting)
        cat.cat.releaseWriteLock();

    QVERIFY2(watch.shown, "no dialog said that the save waits");
    QVERIFY(watch.ticksWhileShown >= 5);
    QVERIFY(watch.ticks > watch.ticksWhileShown);
    QVERIFY(watch.editorBusy);
    QVERIFY2(cat.messages.boxes.isEmpty(), qPrintable(cat.messages.texts().join(u'\n')));
    QCOMPARE(accepted.size(), stopWaiting ? 0 : 1);
    const QString stored = QStringLiteral("Gold|ABBA|Waterloo,SOS");
    QCOMPARE(cat.cat.rows(QStringLiteral(
                 "select CD_LABEL, ART_NAME, (select group_concat(TR_LABEL) from (select TR_LABEL from TRACK t"
                 " where t.CD_ID = c.CD_ID order by TR_ID)) from CDAUDIO c join ARTISTE a on a.ART_ID = c.ART_ID")),
             stopWaiting ? QStringList() : QStringList{stored});
    QCOMPARE(cat.cat.count(QStringLiteral("ARTISTE")), stopWaiting ? 2 : 3);
    QCOMPARE(cat.cat.count(QStringLiteral("TRACK")), stopWaiting ? 0 : 2);
    if (stopWaiting) {
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
        QCOMPARE(dialog.titleEdit->text(), QStringLiteral("Gold"));
        QCOMPARE(dialog.newArtistEdit->text(), QStringLiteral("ABBA"));
        QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("Waterloo"), QStringLiteral("SOS")}));
    }
}

void tst_AudioCDEditor::artistsInTheUsersCollation_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("English") << "en_US" << QStringList{"abba", "\u00c4rzte", "Beatles", "\u00c9dith Piaf", "Zebra"};
    // Swedish puts Ä after Z.
    QTest::newRow("Swedish") << "sv_SE" << QStringList{"abba", "Beatles", "\u00c9dith Piaf", "Zebra", "\u00c4rzte"};
    QTest::newRow("C locale, as English")
        << "C" << QStringList{"abba", "\u00c4rzte", "Beatles", "\u00c9dith Piaf", "Zebra"};
}

void tst_AudioCDEditor::artistsInTheUsersCollation()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, names);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&before] { QLocale::setDefault(before); });
    EditorCatalogue cat(
        QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values"
                       " (1, 'Zebra'), (2, '\u00c4rzte'), (3, 'abba'), (4, '\u00c9dith Piaf'), (5, 'Beatles');"));
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    QStringList shown;
    for (const TArtist &artist : dialog.artists())
        shown << artist.name;
    QCOMPARE(shown, names);
    // Each name keeps its artist.
    for (const TArtist &artist : dialog.artists())
        QCOMPARE(
            cat.cat.scalar(QStringLiteral("select ART_NAME from ARTISTE where ART_ID = %1").arg(artist.id)).toString(),
            artist.name);
}

void tst_AudioCDEditor::coverFiles()
{
    EditorCatalogue cat(
        TwoArtists
        + QStringLiteral(
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (7, 'Gold', 1, '', '', 0, ''), (8, 'Help', 2, '', '', 0, ''), (9, 'Bad', 2, '', '', 0, '');"));
    const QString covers = m_dir.filePath(QStringLiteral("covers"));
    const QByteArray picture = jpegBytes(QSize(40, 30), Qt::red);
    const QString chosen = writeFile(m_dir.filePath(QStringLiteral("front.jpg")), picture);
    QVERIFY(!chosen.isEmpty());

    // A new CD with a chosen picture: the folder is made, the file is a byte copy named by the new id.
    {
        AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.setCoversFolder(covers);
        dialog.prepareNew();
        const QSize placeholder = dialog.coverLabel->pixmap().size();
        // Chosen through the picture dialog, by a click on the picture.
        cat.dialogs.openAnswer = chosen;
        dialog.show();
        QTest::mouseClick(dialog.coverLabel, Qt::LeftButton);
        QCOMPARE(cat.dialogs.opens.size(), 1);
        QCOMPARE(cat.dialogs.opens[0].filter, QStringLiteral("Image JPEG (*.jpg)|*.jpg"));
        QVERIFY(dialog.CoverChanged);
        QVERIFY(dialog.coverLabel->pixmap().size() != placeholder);
        dialog.titleEdit->setText(QStringLiteral("Arrival"));
        dialog.newArtistEdit->setText(QStringLiteral("Abba"));
        dialog.saveButton->click();
    }
    const int newId = cat.cat.scalar(QStringLiteral("select CD_ID from CDAUDIO where CD_LABEL = 'Arrival'")).toInt();
    QVERIFY(newId > 9);
    QCOMPARE(fileBytes(QDir(covers).filePath(QString::number(newId) + QStringLiteral(".jpg"))), picture);

    // Editing a CD with a cover shows it; saving without choosing one leaves the file alone.
    QVERIFY(!writeFile(QDir(covers).filePath(QStringLiteral("8.jpg")), picture).isEmpty());
    {
        AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.setCoversFolder(covers);
        QVERIFY(dialog.prepareEdit(8));
        QTRY_COMPARE(dialog.coverLabel->pixmap().size(), QSize(40, 30));
        dialog.saveButton->click();
    }
    QCOMPARE(fileBytes(QDir(covers).filePath(QStringLiteral("8.jpg"))), picture);

    // A cover file that cannot be loaded leaves the placeholder, without a word.
    QVERIFY(!writeFile(QDir(covers).filePath(QStringLiteral("9.jpg")), "not a picture").isEmpty());
    {
        AudioCDEditor plain(cat.cds, cat.artists, cat.messages, cat.dialogs);
        AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.setCoversFolder(covers);
        QVERIFY(dialog.prepareEdit(9));
        settle();
        QCOMPARE(dialog.coverLabel->pixmap().toImage(), plain.coverLabel->pixmap().toImage());
    }

    // A chosen picture replaces the edited CD's cover file; without a picture no file appears.
    const QByteArray other = jpegBytes(QSize(20, 20), Qt::blue);
    const QString second = writeFile(m_dir.filePath(QStringLiteral("back.jpg")), other);
    {
        AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.setCoversFolder(covers);
        QVERIFY(dialog.prepareEdit(8));
        QVERIFY(dialog.loadCover(second));
        dialog.saveButton->click();
        AudioCDEditor without(cat.cds, cat.artists, cat.messages, cat.dialogs);
        without.setCoversFolder(covers);
        QVERIFY(without.prepareEdit(7));
        without.saveButton->click();
    }
    QCOMPARE(fileBytes(QDir(covers).filePath(QStringLiteral("8.jpg"))), other);
    QVERIFY(!QFile::exists(QDir(covers).filePath(QStringLiteral("7.jpg"))));
    QVERIFY(cat.messages.boxes.isEmpty());
}

void tst_AudioCDEditor::coverThatCannotBeLoaded()
{
    EditorCatalogue cat(TwoArtists);
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    const QString good = writeFile(m_dir.filePath(QStringLiteral("good.jpg")), jpegBytes(QSize(30, 30), Qt::green));
    const QString bad = writeFile(m_dir.filePath(QStringLiteral("bad.jpg")), "JFIF? no");
    QVERIFY(dialog.loadCover(good));
    const QImage before = dialog.coverLabel->pixmap().toImage();

    QVERIFY(!dialog.loadCover(bad));
    QCOMPARE(cat.messages.boxes.size(), 1);
    QCOMPARE(cat.messages.boxes[0].kind, MessageService::Kind::Error);
    QCOMPARE(dialog.coverLabel->pixmap().toImage(), before);

    // A cancelled picture dialog changes nothing.
    cat.dialogs.openAnswer.clear();
    dialog.chooseCover();
    QCOMPARE(cat.dialogs.opens.size(), 1);
    QCOMPARE(dialog.coverLabel->pixmap().toImage(), before);
    QCOMPARE(cat.messages.boxes.size(), 1);

    AudioCDEditor fresh(cat.cds, cat.artists, cat.messages, cat.dialogs);
    fresh.prepareNew();
    QVERIFY(!fresh.loadCover(bad));
    QVERIFY(!fresh.CoverChanged);
}

void tst_AudioCDEditor::coverStoredAtACoversSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<bool>("untouched"); // the file's bytes are the chosen file's

    QTest::newRow("large JPEG, wide") << QSize(2400, 1200) << QByteArray("JPG") << QSize(1000, 500) << false;
    QTest::newRow("large PNG, tall") << QSize(750, 3000) << QByteArray("PNG") << QSize(250, 1000) << false;
    QTest::newRow("JPEG of the long side exactly") << QSize(1000, 600) << QByteArray("JPG") << QSize(1000, 600) << true;
    QTest::newRow("small PNG, converted") << QSize(300, 200) << QByteArray("PNG") << QSize(300, 200) << false;
}

void tst_AudioCDEditor::coverStoredAtACoversSize()
{
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QFETCH(QSize, stored);
    QFETCH(bool, untouched);

    EditorCatalogue cat(TwoArtists);
    const QString covers = m_dir.filePath(QStringLiteral("covers-sized"));
    const QByteArray chosen = pictureBytes(size, format.constData());
    const QString file
        = writeFile(m_dir.filePath(QStringLiteral("chosen.") + QString::fromLatin1(format).toLower()), chosen);
    QVERIFY(!file.isEmpty());
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setCoversFolder(covers);
    dialog.prepareNew();
    QVERIFY(dialog.loadCover(file));
    QCOMPARE(dialog.coverLabel->pixmap().size(), stored);
    dialog.titleEdit->setText(QStringLiteral("Arrival"));
    dialog.existingArtistButton->setChecked(true);
    dialog.saveButton->click();

    const int id = cat.cat.scalar(QStringLiteral("select CD_ID from CDAUDIO where CD_LABEL = 'Arrival'")).toInt();
    const QString path = QDir(covers).filePath(QString::number(id) + QStringLiteral(".jpg"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), stored);
    QCOMPARE(fileBytes(path) == chosen, untouched);
    QVERIFY(cat.messages.boxes.isEmpty());
}

// A picture on a slow drive, here a pipe that gives its bytes only once the window has served an
// event: read on the window's thread, it would come only after the writer gave up waiting.
void tst_AudioCDEditor::coverReadWhileTheWindowAnswers()
{
    EditorCatalogue cat(TwoArtists);
    const QString pipe = m_dir.filePath(QStringLiteral("slow.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QByteArray picture = jpegBytes(QSize(64, 48), Qt::yellow);
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();

    std::atomic<bool> served = false;
    bool servedFirst = false;
    QTimer::singleShot(0, &dialog, [&served] { served = true; });
    std::thread writer([&] {
        for (int i = 0; i < 500 && !served; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        servedFirst = served;
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY);
        if (fd >= 0) {
            [[maybe_unused]] const auto written = ::write(fd, picture.constData(), size_t(picture.size()));
            ::close(fd);
        }
    });
    bool busyMeanwhile = false;
    QTimer::singleShot(0, &dialog, [&] { busyMeanwhile = dialog.busy() && !dialog.cancelButton->isEnabled(); });
    const bool loaded = dialog.loadCover(pipe);
    writer.join();

    QVERIFY(loaded);
    QVERIFY2(servedFirst, "the window served no event while the cover was read");
    // Save and Cancel wait for the picture.
    QVERIFY(busyMeanwhile);
    QVERIFY(!dialog.busy());
    QCOMPARE(dialog.coverLabel->pixmap().size(), QSize(64, 48));
}

void tst_AudioCDEditor::coverFolderCannotBeMade()
{
    EditorCatalogue cat(TwoArtists);
    // A file where the folder should be.
    const QString blocked = writeFile(m_dir.filePath(QStringLiteral("blocked")), "x");
    const QString chosen = writeFile(m_dir.filePath(QStringLiteral("c.jpg")), jpegBytes(QSize(10, 10), Qt::black));
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setCoversFolder(blocked);
    dialog.prepareNew();
    QVERIFY(dialog.loadCover(chosen));
    dialog.titleEdit->setText(QStringLiteral("Gold"));
    dialog.existingArtistButton->setChecked(true);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.saveButton->click();

    QCOMPARE(accepted.size(), 1);
    QCOMPARE(cat.cat.count(QStringLiteral("CDAUDIO")), 1);
    QCOMPARE(cat.messages.boxes.size(), 1);
    QCOMPARE(cat.messages.boxes[0].kind, MessageService::Kind::Warning);
}

void tst_AudioCDEditor::trackList()
{
    EditorCatalogue cat;
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::keyClick(dialog.trackEdit, Qt::Key_Return);
    QCOMPARE(cat.messages.texts(), QStringList{QStringLiteral("Please specify the track you want to add.")});
    QVERIFY(dialog.tracks().isEmpty());
    dialog.trackEdit->setText(QStringLiteral("Intro"));
    QTest::keyClick(dialog.trackEdit, Qt::Key_Return);
    QTest::keyClick(dialog.trackEdit, Qt::Key_Enter);
    // The added title stays in the box, and what is typed next replaces it.
    QCOMPARE(dialog.trackEdit->text(), QStringLiteral("Intro"));
    QTest::keyClicks(dialog.trackEdit, QStringLiteral("Song"));
    dialog.addTrackButton->click();
    QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("Intro"), QStringLiteral("Intro"), QStringLiteral("Song")}));
    QVERIFY(dialog.isVisible()); // Enter saved nothing

    // Delete while a title is edited changes the text and removes no track.
    dialog.trackList->clearSelection();
    dialog.trackList->item(2)->setSelected(true);
    dialog.editSelectedTrack();
    auto *editor = dialog.trackList->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setCursorPosition(0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(dialog.tracks(),
                 (QStringList{QStringLiteral("Intro"), QStringLiteral("Intro"), QStringLiteral("ong")}));

    // Delete in the list removes every selected track.
    dialog.trackList->setFocus();
    dialog.trackList->clearSelection();
    dialog.trackList->item(0)->setSelected(true);
    dialog.trackList->item(2)->setSelected(true);
    QTest::keyClick(dialog.trackList, Qt::Key_Delete);
    QCOMPARE(dialog.tracks(), QStringList{QStringLiteral("Intro")});
}

void tst_AudioCDEditor::noDrive()
{
    EditorCatalogue cat;
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.fillDrives(QString());
    QVERIFY(!dialog.driveBox->isEnabled());
    QVERIFY(!dialog.lookupButton->isEnabled());
    dialog.fillDrives(m_disc + Texts::LineBreak + QStringLiteral("/dev/sr1"));
    QCOMPARE(dialog.driveBox->count(), 2);
    QCOMPARE(dialog.driveBox->currentText(), m_disc);
    QVERIFY(dialog.lookupButton->isEnabled());
}

void tst_AudioCDEditor::lookupFillsEditor_data()
{
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("existing"); // the artist entry chosen, or empty for "New artist"

    const QStringList found{ok(QStringLiteral("200 rock 0901c102 Some Artist / Some Title\r\n")), ok(ReadReply)};
    QTest::newRow("known artist in other case")
        << QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'SOME ARTIST');") << found
        << true << QStringLiteral("SOME ARTIST");
    QTest::newRow("new artist") << TwoArtists << found << true << QString();
    QTest::newRow("server says 404") << TwoArtists << QStringList{QStringLiteral("HTTP/1.0 404 Not Found\r\n\r\n")}
                                     << false << QString();
    QTest::newRow("server closes at once")
        << TwoArtists << QStringList{ScriptedServer::CloseAtOnce} << false << QString();
    QTest::newRow("read reply cut off")
        << TwoArtists
        << QStringList{found[0],
                       ScriptedServer::Reset + ok(ReadReply.left(ReadReply.indexOf(QLatin1String("TTITLE1"))))}
        << false << QString();
    QTest::newRow("read names nothing") << TwoArtists
                                        << QStringList{found[0],
                                                       ok(QStringLiteral("401 rock 0901c102 No such CD entry.\r\n"))}
                                        << false << QString();
}

void tst_AudioCDEditor::lookupFillsEditor()
{
    QFETCH(QString, seed);
    QFETCH(QStringList, script);
    QFETCH(bool, filled);
    QFETCH(QString, existing);

    EditorCatalogue cat(seed);
    ScriptedServer server(script);
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setPreferences(gnudbOnly(server.port()));
    dialog.lookup().setTimeout(2000);
    dialog.prepareNew();
    dialog.fillDrives(m_disc);
    dialog.titleEdit->setText(QStringLiteral("typed"));
    dialog.barcodeEdit->setText(QStringLiteral("4006"));
    dialog.yearEdit->setText(QStringLiteral("1999"));
    dialog.commentsEdit->setPlainText(QStringLiteral("mine"));
    dialog.trackEdit->setText(QStringLiteral("typed track"));
    dialog.addTrack();

    dialog.lookupButton->click();

    QCOMPARE(server.requests.size(), script.size());
    QCOMPARE(cat.messages.boxes.size(), filled ? 0 : 1);
    QCOMPARE(dialog.titleEdit->text(), filled ? QStringLiteral("Some Title") : QStringLiteral("typed"));
    const QStringList tracks = filled ? QStringList{QStringLiteral("Intro"), QStringLiteral("Song")}
                                      : QStringList{QStringLiteral("typed track")};
    QCOMPARE(dialog.tracks(), tracks);
    if (filled) {
        QCOMPARE(dialog.existingArtistButton->isChecked(), !existing.isEmpty());
        if (existing.isEmpty())
            QCOMPARE(dialog.newArtistEdit->text(), QStringLiteral("Some Artist"));
        else
            QCOMPARE(dialog.artistBox->currentText(), existing);
    }
    QCOMPARE(dialog.barcodeEdit->text(), QStringLiteral("4006"));
    QCOMPARE(dialog.yearEdit->text(), QStringLiteral("1999"));
    QCOMPARE(dialog.commentsEdit->toPlainText(), QStringLiteral("mine"));
    QVERIFY(dialog.lookupButton->isEnabled() && dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
}

void tst_AudioCDEditor::lookupCancelled_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("stays"); // the editor is still open afterwards
    QTest::newRow("Cancel button") << QStringLiteral("cancel") << true;
    QTest::newRow("Escape") << QStringLiteral("escape") << true;
    QTest::newRow("closing the editor") << QStringLiteral("close") << false;
}

void tst_AudioCDEditor::lookupCancelled()
{
    QFETCH(QString, how);
    QFETCH(bool, stays);

    // Far beyond what the test waits: only the user's Cancel can end the lookup in time.
    constexpr int DeadlineMs = 30000;
    EditorCatalogue cat(TwoArtists);
    ScriptedServer server({ScriptedServer::Stall});
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.setPreferences(gnudbOnly(server.port()));
    dialog.lookup().setTimeout(DeadlineMs);
    dialog.prepareNew();
    dialog.fillDrives(m_disc);
    dialog.titleEdit->setText(QStringLiteral("typed"));
    dialog.trackEdit->setText(QStringLiteral("typed track"));
    dialog.addTrack();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    bool sawWait = false, sawProgress = false;
    QTimer::singleShot(300, &dialog, [&] {
        sawWait
            = !dialog.lookupButton->isEnabled() && dialog.cancelButton->isEnabled() && !dialog.saveButton->isEnabled();
        sawProgress = dialog.ProgressBar_lookup->isVisible()
            && dialog.ProgressBar_lookup->format() == Texts::LookupAsking.arg(Texts::SourceGnudb);
        dialog.lookupButton->click(); // a second lookup must not start
        if (how == QLatin1String("cancel"))
            dialog.cancelButton->click();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
    });
    QElapsedTimer clock;
    clock.start();
    dialog.startCddbLookup();
    const qint64 took = clock.elapsed();

    QVERIFY(sawWait);
    QVERIFY(sawProgress);
    QVERIFY2(took < DeadlineMs / 3, qPrintable(QString::number(took)));
    QCOMPARE(dialog.isVisible(), stays);
    QCOMPARE(server.requests.size(), 1);
    // Cancelled by the user: no message, and what the user typed stays.
    QVERIFY(cat.messages.boxes.isEmpty());
    QCOMPARE(dialog.titleEdit->text(), QStringLiteral("typed"));
    QCOMPARE(dialog.tracks(), QStringList{QStringLiteral("typed track")});
    QVERIFY(!dialog.ProgressBar_lookup->isVisible());
    QVERIFY(dialog.cancelButton->isEnabled() && dialog.saveButton->isEnabled());
    if (stays) {
        dialog.close();
        QVERIFY(!dialog.isVisible());
    }
}

void tst_AudioCDEditor::lookupFillsWhatIsEmpty_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("typedBarcode");
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("cover");

    QTest::newRow("MusicBrainz: barcode, year and cover")
        << QStringLiteral("mb") << QString() << QStringLiteral("5099749594321") << QStringLiteral("1999") << true;
    QTest::newRow("MusicBrainz: a typed barcode stays")
        << QStringLiteral("mb") << QStringLiteral("123") << QStringLiteral("123") << QStringLiteral("1999") << true;
    QTest::newRow("CD-Text: the disc's catalogue number")
        << QStringLiteral("cdtext") << QString() << QStringLiteral("4006381333931") << QString() << false;
}

void tst_AudioCDEditor::lookupFillsWhatIsEmpty()
{
    QFETCH(QString, source);
    QFETCH(QString, typedBarcode);
    QFETCH(QString, barcode);
    QFETCH(QString, year);
    QFETCH(bool, cover);

    QTemporaryDir dir;
    const QString disc = writeCueImage(dir.path(), QStringLiteral("text"), {150, 18780}, 33825, {}, {},
                                       {QStringLiteral("CATALOG 4006381333931"), QStringLiteral("PERFORMER \"Abba\""),
                                        QStringLiteral("TITLE \"Disc Title\"")},
                                       {QStringLiteral("TITLE \"One\""), QStringLiteral("TITLE \"Two\"")});
    QVERIFY(!disc.isEmpty());
    const QString mbId = readDisc(disc).musicBrainzId;
    const QString release
        = QStringLiteral(
              "{\"id\":\"%1\",\"releases\":[{\"id\":\"r-1\",\"title\":\"Some Title\",\"date\":\"1999-05-01\","
              "\"barcode\":\"5099749594321\",\"artist-credit\":[{\"name\":\"Some Artist\",\"joinphrase\":\"\"}],"
              "\"media\":[{\"position\":1,\"discs\":[{\"id\":\"%1\"}],\"tracks\":[{\"title\":\"Intro\"},{\"title\":"
              "\"Song\"}]}]}]}")
              .arg(mbId);
    const QByteArray jpeg = jpegBytes(QSize(50, 50), Qt::green);
    // Each reply says its length, as the web services do.
    const auto reply = [](const QString &head, const QByteArray &body) {
        return head + QStringLiteral("Content-Length: %1\r\n\r\n").arg(body.size()) + QString::fromLatin1(body);
    };
    ScriptedServer server(
        {reply(QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n"), release.toUtf8()),
         reply(QStringLiteral("HTTP/1.0 307 Temporary Redirect\r\nLocation: /img/front.jpg\r\n"), {}),
         reply(QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n"), jpeg)});

    EditorCatalogue cat(TwoArtists);
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    const QString covers = dir.filePath(QStringLiteral("covers"));
    dialog.setCoversFolder(covers);
    DiscPreferences p = gnudbOnly(server.port());
    for (DiscPreferences::Source &s : p.sources)
        s.enabled = (source == QLatin1String("mb")) ? s.source == LookupSource::MusicBrainz
                                                    : s.source == LookupSource::CdText;
    dialog.setPreferences(p);
    dialog.lookup().setTimeout(5000);
    dialog.lookup().musicBrainz().setInterval(0);
    dialog.prepareNew();
    dialog.fillDrives(disc);
    dialog.barcodeEdit->setText(typedBarcode);

    dialog.lookupButton->click();

    QVERIFY(cat.messages.boxes.isEmpty());
    QCOMPARE(dialog.barcodeEdit->text(), barcode);
    QCOMPARE(dialog.yearEdit->text(), year);
    QCOMPARE(dialog.CoverChanged, cover);
    if (source == QLatin1String("mb")) {
        QCOMPARE(dialog.titleEdit->text(), QStringLiteral("Some Title"));
        QCOMPARE(dialog.newArtistEdit->text(), QStringLiteral("Some Artist"));
        QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("Intro"), QStringLiteral("Song")}));
    } else {
        QCOMPARE(dialog.titleEdit->text(), QStringLiteral("Disc Title"));
        QVERIFY(dialog.existingArtistButton->isChecked());
        QCOMPARE(dialog.artistBox->currentText(), QStringLiteral("Abba"));
        QCOMPARE(dialog.tracks(), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
    }
    // The cover found is the CD's own once it is saved, byte for byte as the archive served it.
    dialog.saveButton->click();
    const int cdId = cat.cat.scalar(QStringLiteral("select max(CD_ID) from CDAUDIO")).toInt();
    QVERIFY(cdId > 0);
    QCOMPARE(QFile::exists(dialog.coverPath(cdId)), cover);
    if (cover)
        QCOMPARE(fileBytes(dialog.coverPath(cdId)), jpeg);
}

void tst_AudioCDEditor::discImageOfThePreferences()
{
    EditorCatalogue cat;
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    DiscPreferences p = gnudbOnly(1);
    p.discImage = m_disc;
    dialog.setPreferences(p);
    dialog.fillDrives();
    QVERIFY(dialog.driveBox->count() >= 1);
    QCOMPARE(dialog.driveBox->itemText(dialog.driveBox->count() - 1), m_disc);
    QVERIFY(dialog.lookupButton->isEnabled());

    // An image that is gone is not offered.
    p.discImage = m_disc + QStringLiteral(".gone");
    dialog.setPreferences(p);
    dialog.fillDrives();
    for (int k = 0; k < dialog.driveBox->count(); ++k)
        QVERIFY(dialog.driveBox->itemText(k) != p.discImage);
}

QTEST_MAIN(tst_AudioCDEditor)
#include "tst_audiocd_editor.moc"
