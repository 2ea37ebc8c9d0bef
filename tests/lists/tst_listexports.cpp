// The list windows' exports in every format, and the dadudu-export tool, which must write the same
// files from the command line: run as a program on a real catalogue, its files read back by readers
// that share no code with it (xlrd, openpyxl, Python's csv module, poppler's pdftotext).
#include "grid/DxGrid.h"
#include "grid/GridExport.h"
#include "grid/GridModel.h"
#include "lists/ArtistListWindow.h"
#include "lists/AudioCDListWindow.h"
#include "lists/DataCDListWindow.h"
#include "lists/DataItemListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "support/SheetReader.h"
#include "support/StoresOnCatalogue.h"
#include "support/TempCatalogue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

const QString Emoji = QStringLiteral("\U0001F3B5");
const int Overlong = 40000;

// Names whose order by bytes differs from their order in the user's collation.
void seed(TempCatalogue &cat)
{
    cat.exec(
        QString::fromUtf8(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Zed'), (2, 'abba'), (3, 'Élan'), (4, 'Ödön');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (1, 'Help', 1, '', '1965', 1, 'line 1' || char(13, 10) || 'line 2'), (2, 'Gold', 2, '111', '1992', 0, "
            "'best, of \"all\"'),"
            " (3, 'Arrival', 2, '', '1976', 0, ''), (4, 'Été', 3, '', '2001', 1, 'a ")
        + Emoji
        + QString::fromUtf8(
            "');"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Yesterday', 1), (2, 'SOS', 2), (3, 'Érable', 4), "
            "(4, 'abc', 3);"
            "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Zulu', 'DVD'), (2, 'Æon', 'VHS'), (3, "
            "'alien', '');"
            "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup'), (2, 'été photos'), (3, 'Zip');"
            "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'z.txt', 1), (2, 'É.doc', 2), (3, 'a,b', 3);"));
}

struct ListCase {
    QString name;
    QString report;
};

const QList<ListCase> &listCases()
{
    static const QList<ListCase> all = {
        {QStringLiteral("audiocds"), QStringLiteral("Audio CDs")},
        {QStringLiteral("artists"), QStringLiteral("Artists")},
        {QStringLiteral("tracks"), QStringLiteral("Tracks / Songs")},
        {QStringLiteral("movies"), QStringLiteral("Movies")},
        {QStringLiteral("datacds"), QStringLiteral("Data CDs")},
        {QStringLiteral("dataitems"), QStringLiteral("Data Items")},
    };
    return all;
}

// The six list windows on one catalogue, as the program builds them.
struct Windows {
    explicit Windows(const QString &path)
    {
        stores.main.connection.setBusyTimeoutMs(0);
        stores.main.openDatabase(path);
        stores.openLists();
    }
    ListWindow &window(const QString &list)
    {
        const QMap<QString, ListWindow *> all
            = {{QStringLiteral("audiocds"), &cdWindow},  {QStringLiteral("artists"), &artistWindow},
               {QStringLiteral("tracks"), &trackWindow}, {QStringLiteral("movies"), &movieWindow},
               {QStringLiteral("datacds"), &dataWindow}, {QStringLiteral("dataitems"), &itemWindow}};
        return *all.value(list);
    }

    RecordingMessages messages;
    ProgramStores stores{messages};
    AudioCDListWindow cdWindow{stores.cds, [](int) {}, messages};
    ArtistListWindow artistWindow{stores.artists, [](int) {}, messages};
    TrackListWindow trackWindow{stores.tracks, [](int) {}, messages};
    MovieListWindow movieWindow{stores.movies, [](int) {}, messages};
    DataCDListWindow dataWindow{stores.data, [](int) {}, messages};
    DataItemListWindow itemWindow{stores.items, [](int) {}, messages};
};

struct Run {
    int code = -1;
    QString out, err;
};

// `fileSizeLimit` (bytes), when given, is the child's RLIMIT_FSIZE, with SIGXFSZ ignored as a shell's
// `ulimit -f` and `trap '' XFSZ` would leave it: a write past it fails with EFBIG, as on a full disk.
Run runTool(const QStringList &arguments, rlim_t fileSizeLimit = 0, const QProcessEnvironment &environment = {})
{
    QProcess p;
    if (fileSizeLimit > 0)
        p.setChildProcessModifier([fileSizeLimit] {
            const struct rlimit limit = {fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    if (!environment.isEmpty())
        p.setProcessEnvironment(environment);
    p.start(QStringLiteral(DADUDU_EXPORT_TOOL), arguments);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList firstColumn(const SheetFile &file)
{
    QStringList out;
    if (!file.sheets.isEmpty())
        for (const QVariantList &row : file.sheets[0].cells.mid(1))
            out << row.value(0).toString();
    return out;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class tst_ListExports : public QObject
{
    Q_OBJECT

private slots:
    // The tool builds the list window and calls its export: byte for byte the same file, where the
    // format holds no date.
    void toolWritesWhatTheWindowWrites_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("format");
        for (const ListCase &l : listCases())
            for (const char *format : {"html", "xls", "csv", "xlsx"})
                QTest::addRow("%s %s", qPrintable(l.name), format) << l.name << QString::fromLatin1(format);
    }

    void toolWritesWhatTheWindowWrites()
    {
        QFETCH(QString, list);
        QFETCH(QString, format);
        TempCatalogue cat;
        seed(cat);
        const QString fromTool = QDir(cat.folder()).filePath(QStringLiteral("tool.") + format);
        const Run r = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), list,
                               QStringLiteral("--format"), format, QStringLiteral("--output"), fromTool});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err, QString());

        Windows w(cat.path());
        const QString fromWindow = QDir(cat.folder()).filePath(QStringLiteral("window.") + format);
        w.window(list).saveToFile(fromWindow, GridExport::formatOfFile(fromWindow, GridExport::Html));
        QVERIFY(w.messages.boxes.isEmpty());
        if (format == QStringLiteral("xlsx")) {
            const SheetFile tool = readSheetFile(format, fromTool);
            const SheetFile window = readSheetFile(format, fromWindow);
            QVERIFY2(tool.ok, qPrintable(tool.error));
            QVERIFY2(window.ok, qPrintable(window.error));
            QCOMPARE(tool.sheets.size(), 1);
            QCOMPARE(tool.sheets[0].name, window.sheets[0].name);
            QCOMPARE(tool.sheets[0].cells, window.sheets[0].cells);
            QCOMPARE(tool.sheets[0].widths, window.sheets[0].widths);
            QCOMPARE(tool.sheets[0].heights, window.sheets[0].heights);
        } else {
            QVERIFY(!contents(fromWindow).isEmpty());
            QCOMPARE(contents(fromTool), contents(fromWindow));
        }
        if (format != QStringLiteral("html")) {
            const SheetFile read = readSheetFile(format, fromTool);
            QVERIFY2(read.ok, qPrintable(read.error));
            QCOMPARE(read.sheets[0].cells.size(), w.window(list).mainGrid()->model()->rowTotal() + 1);
        }
    }

    // The lists as the windows first show them: in the user's collation, not the bytes' order.
    void toolSortsAsTheWindowDoes_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("first");
        QTest::newRow("artists") << QStringLiteral("artists") << QStringList{"abba", "Élan", "Ödön", "Zed"};
        // By artist, and by title within an artist.
        QTest::newRow("audio CDs") << QStringLiteral("audiocds") << QStringList{"Arrival", "Gold", "Été", "Help"};
        QTest::newRow("tracks") << QStringLiteral("tracks") << QStringList{"abc", "Érable", "SOS", "Yesterday"};
        QTest::newRow("movies") << QStringLiteral("movies") << QStringList{"Æon", "alien", "Zulu"};
    }

    void toolSortsAsTheWindowDoes()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, first);
        TempCatalogue cat;
        seed(cat);
        const QString out = QDir(cat.folder()).filePath(QStringLiteral("out.csv"));
        const Run r = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), list,
                               QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output"), out});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const SheetFile file = readSheetFile(QStringLiteral("csv"), out);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(firstColumn(file), first);
    }

    // An older catalogue holds rows whose parent is gone or that name none: each is exported all the
    // same, its parent's column empty.
    void toolExportsRowsWhoseParentIsMissing_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("titles"); // SQL: every row's title, as the catalogue holds them
        QTest::addColumn<QStringList>("orphans");
        QTest::addColumn<QString>("parent"); // the caption of the missing parent's column
        QTest::newRow("audio CDs") << QStringLiteral("audiocds") << QStringLiteral("select CD_LABEL from CDAUDIO")
                                   << QStringList{"Orphan", "Nobody"} << QStringLiteral("Artist");
        QTest::newRow("tracks") << QStringLiteral("tracks") << QStringLiteral("select TR_LABEL from TRACK")
                                << QStringList{"Stray", "Loose", "Orphan's"} << QStringLiteral("Artist");
        QTest::newRow("data items") << QStringLiteral("dataitems") << QStringLiteral("select DATA_LABEL from DATA")
                                    << QStringList{"stray", "loose"} << QStringLiteral("CD title");
    }

    void toolExportsRowsWhoseParentIsMissing()
    {
        QFETCH(QString, list);
        QFETCH(QString, titles);
        QFETCH(QStringList, orphans);
        QFETCH(QString, parent);
        TempCatalogue cat;
        seed(cat);
        cat.exec(QStringLiteral(
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (5, 'Orphan', 99, '', '', 0, ''), (6, 'Nobody', NULL, NULL, NULL, 0, NULL);"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (5, 'Stray', 50), (6, 'Loose', NULL), (7, 'Orphan''s', "
            "5);"
            "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (4, 'stray', 9), (5, 'loose', NULL);"));
        const QString out = QDir(cat.folder()).filePath(QStringLiteral("out.csv"));
        const Run r = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), list,
                               QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--output"), out});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const SheetFile file = readSheetFile(QStringLiteral("csv"), out);
        QVERIFY2(file.ok, qPrintable(file.error));
        QStringList exported = firstColumn(file);
        QStringList held = cat.rows(titles);
        exported.sort();
        held.sort();
        QCOMPARE(exported, held);
        const QList<QVariantList> &cells = file.sheets[0].cells;
        const qsizetype column = cells[0].indexOf(parent);
        QVERIFY2(column > 0, qPrintable(parent));
        for (const QVariantList &row : cells.mid(1))
            if (orphans.contains(row.value(0).toString()))
                QCOMPARE(row.value(column).toString(), QString());
    }

    // What printing the list puts on paper: its report title and every row, on A4.
    void toolPrintsToPdf()
    {
        TempCatalogue cat;
        seed(cat);
        Windows w(cat.path());
        for (const ListCase &l : listCases()) {
            const QString out = QDir(cat.folder()).filePath(l.name + QStringLiteral(".pdf"));
            const Run r = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), l.name,
                                   QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), out});
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QVERIFY(contents(out).startsWith("%PDF-"));
            const QString text = pdfText(out);
            QVERIFY2(text.contains(l.report), qPrintable(l.name));
            const GridModel &model = *w.window(l.name).mainGrid()->model();
            for (int p = 0; p < model.rowTotal(); ++p) {
                const QString first = model.text(model.sourceRow(p), 1);
                QVERIFY2(text.contains(first), qPrintable(l.name + u' ' + first));
            }
        }
    }

    void toolAnswersHelpAndVersion()
    {
        const Run help = runTool({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        for (const char *word : {"--catalogue", "--list", "--format", "--output",
                                 "audiocds|artists|tracks|movies|datacds|dataitems", "html|xls|xlsx|csv|pdf"})
            QVERIFY2(help.out.contains(QLatin1String(word)), word);
        const Run version = runTool({QStringLiteral("--version")});
        QCOMPARE(version.code, 0);
        QVERIFY2(version.out.startsWith(QStringLiteral("dadudu-export ")), qPrintable(version.out));
    }

    // Every failure: a status other than 0, one line saying why, and nothing written or replaced.
    void toolFailsInOneLineAndWritesNothing_data()
    {
        QTest::addColumn<QString>("catalogue"); // relative to the folder; "*" is the real catalogue
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("says");
        QTest::newRow("no catalogue") << "missing.mdb"
                                      << "artists"
                                      << "csv"
                                      << "old.csv"
                                      << "missing.mdb";
        QTest::newRow("not a catalogue") << "notes.txt"
                                         << "artists"
                                         << "csv"
                                         << "old.csv"
                                         << "not a database";
        QTest::newRow("unknown list") << "*"
                                      << "singers"
                                      << "csv"
                                      << "old.csv"
                                      << "singers";
        QTest::newRow("unknown format") << "*"
                                        << "artists"
                                        << "ods"
                                        << "old.csv"
                                        << "ods";
        QTest::newRow("output in a missing folder") << "*"
                                                    << "artists"
                                                    << "csv"
                                                    << "none/out.csv"
                                                    << "none/out.csv";
        QTest::newRow("output is a folder") << "*"
                                            << "artists"
                                            << "xlsx"
                                            << "sub"
                                            << "sub";
        QTest::newRow("pdf output is a folder") << "*"
                                                << "artists"
                                                << "pdf"
                                                << "sub"
                                                << "sub";
        QTest::newRow("output is the catalogue") << "*"
                                                 << "artists"
                                                 << "html"
                                                 << "dadudu.mdb"
                                                 << "dadudu.mdb";
        QTest::newRow("option missing") << "*"
                                        << "artists"
                                        << "csv"
                                        << ""
                                        << "--output";
    }

    void toolFailsInOneLineAndWritesNothing()
    {
        QFETCH(QString, catalogue);
        QFETCH(QString, list);
        QFETCH(QString, format);
        QFETCH(QString, output);
        QFETCH(QString, says);
        TempCatalogue cat;
        seed(cat);
        const QDir dir(cat.folder());
        QVERIFY(dir.mkdir(QStringLiteral("sub")));
        for (const auto &[name, text] :
             {std::pair{"old.csv", "an older export"}, std::pair{"notes.txt", "no database"}}) {
            QFile f(dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        const auto fingerprint = [&] {
            QStringList out;
            // The catalogue and the engine's files beside it change as any reader opens it: the
            // engine folds its log into the file. Its rows are counted instead.
            for (const QString &e : entries(dir.path()))
                if (!e.startsWith(QStringLiteral("dadudu.mdb")))
                    out << e + u' '
                            + QString::fromLatin1(
                                QCryptographicHash::hash(contents(dir.filePath(e)), QCryptographicHash::Sha1).toHex());
            return out << entries(dir.filePath(QStringLiteral("sub")));
        };
        const QStringList before = fingerprint();

        QStringList arguments{QStringLiteral("--catalogue"), catalogue == u"*" ? cat.path() : dir.filePath(catalogue),
                              QStringLiteral("--list"),      list,
                              QStringLiteral("--format"),    format};
        if (!output.isEmpty())
            arguments << QStringLiteral("--output") << dir.filePath(output);
        const Run r = runTool(arguments);
        QVERIFY2(r.code > 0, qPrintable(QStringLiteral("status %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(r.err.endsWith(u'\n') && r.err.count(u'\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.startsWith(QStringLiteral("dadudu-export: ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QCOMPARE(fingerprint(), before);
        QCOMPARE(cat.count(QStringLiteral("CDAUDIO")), 4);
        QCOMPARE(cat.count(QStringLiteral("DATA")), 3);
    }

    // A text may start with U+FEFF, which a UTF-8 decoder drops by default: the list and every file
    // keep it, a CSV file's own byte-order mark notwithstanding.
    void textsKeepALeadingByteOrderMark_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("options");
        for (const char *format : {"csv", "xls", "xlsx", "html"})
            QTest::newRow(format) << QString::fromLatin1(format) << QStringList{};
        QTest::newRow("csv, raw") << QStringLiteral("csv") << QStringList{QStringLiteral("--csv-raw")};
    }

    void textsKeepALeadingByteOrderMark()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, options);
        const QString marked = QChar(0xFEFF) + QStringLiteral("Zéro");
        TempCatalogue cat;
        seed(cat);
        cat.exec(QStringLiteral("insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (9, '%1', 'DVD')").arg(marked));
        {
            Windows w(cat.path());
            const GridModel &model = *w.movieWindow.mainGrid()->model();
            QStringList titles;
            for (int p = 0; p < model.rowTotal(); ++p)
                titles << model.text(model.sourceRow(p), 1);
            QVERIFY2(titles.contains(marked), qPrintable(titles.join(u'|')));
        }
        const QString out = QDir(cat.folder()).filePath(QStringLiteral("movies.") + format);
        const Run r = runTool(QStringList{QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"),
                                          QStringLiteral("movies"), QStringLiteral("--format"), format,
                                          QStringLiteral("--output"), out}
                              + options);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        if (format == u"html") {
            QVERIFY(contents(out).contains(QByteArray(">") + marked.toUtf8() + "<"));
            return;
        }
        const SheetFile file = readSheetFile(format, out);
        QVERIFY2(file.ok, qPrintable(file.error));
        QVERIFY2(firstColumn(file).contains(marked), qPrintable(firstColumn(file).join(u'|')));
    }

    // For a spreadsheet, a CSV file starts with a byte-order mark, and a text that a spreadsheet
    // would take for a formula is kept a text by an apostrophe; --csv-raw writes the texts as stored.
    void csvKeepsFormulasTexts_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::newRow("for spreadsheets") << false;
        QTest::newRow("raw") << true;
    }

    void csvKeepsFormulasTexts()
    {
        QFETCH(bool, raw);
        const QStringList formulas{QStringLiteral("=HYPERLINK(\"http://example.org\",\"x\")"),
                                   QStringLiteral("+1"),
                                   QStringLiteral("-2"),
                                   QStringLiteral("@SUM(A1)"),
                                   QStringLiteral("\tTab"),
                                   QStringLiteral("\rReturn")};
        const QStringList texts{QStringLiteral("Plain"), QStringLiteral(" =not first"), QStringLiteral("a=b")};
        TempCatalogue cat;
        int id = 10;
        for (const QString &t : formulas + texts)
            cat.exec(QStringLiteral("insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (%1, '%2', 'DVD')")
                         .arg(id++)
                         .arg(QString(t).replace(u'\'', QStringLiteral("''"))));
        const QString out = QDir(cat.folder()).filePath(QStringLiteral("movies.csv"));
        QStringList arguments{QStringLiteral("--catalogue"), cat.path(),
                              QStringLiteral("--list"),      QStringLiteral("movies"),
                              QStringLiteral("--format"),    QStringLiteral("csv"),
                              QStringLiteral("--output"),    out};
        if (raw)
            arguments << QStringLiteral("--csv-raw");
        const Run r = runTool(arguments);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(contents(out).startsWith("\xEF\xBB\xBF"), !raw);
        QVERIFY(contents(out).startsWith(raw ? "Title," : "\xEF\xBB\xBFTitle,"));

        const SheetFile file = readSheetFile(QStringLiteral("csv"), out);
        QVERIFY2(file.ok, qPrintable(file.error));
        QStringList expected;
        for (const QString &t : formulas)
            expected << (raw ? t : u'\'' + t);
        expected += texts;
        QStringList read = firstColumn(file);
        read.sort();
        expected.sort();
        QCOMPARE(read, expected);
    }

    // A write that fails (a full disk; here a file size limit, which fails the same way for root)
    // fails the export with the system's reason, in one line, and leaves the old file as it was and
    // nothing beside it.
    void toolFailsWhenTheDiskIsFull_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"html", "xls", "xlsx", "csv", "pdf"})
            QTest::newRow(format) << QString::fromLatin1(format);
    }

    void toolFailsWhenTheDiskIsFull()
    {
        QFETCH(QString, format);
        TempCatalogue cat;
        // Texts that do not compress, so every format's file outgrows the limit.
        cat.exec(
            QStringLiteral("insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup');"
                           "with recursive n(i) as (select 1 union all select i + 1 from n where i < 6000)"
                           " insert into DATA (DATA_ID, DATA_LABEL, CD_ID) select i, hex(randomblob(32)), 1 from n;"));
        const QDir dir(cat.folder());
        const QString old = dir.filePath(QStringLiteral("items.") + format);
        {
            QFile f(old);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("an older export");
        }
        // The catalogue's own journal files come and go with its readers.
        const auto others
            = [&] { return entries(dir.path()).filter(QRegularExpression(QStringLiteral("^(?!dadudu\\.mdb)"))); };
        const QStringList before = others();
        const Run r
            = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), QStringLiteral("dataitems"),
                       QStringLiteral("--format"), format, QStringLiteral("--output"), old},
                      128 * 1024);
        QVERIFY2(r.code == 1, qPrintable(QStringLiteral("status %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(r.err.startsWith(QStringLiteral("dadudu-export: ")) && r.err.count(u'\n') == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(old) && r.err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(r.err));
        QCOMPARE(contents(old), QByteArray("an older export"));
        QCOMPARE(others(), before);

        // Without the limit the same export is whole.
        const Run whole
            = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), QStringLiteral("dataitems"),
                       QStringLiteral("--format"), format, QStringLiteral("--output"), old});
        QVERIFY2(whole.code == 0, qPrintable(whole.err));
        QVERIFY(contents(old).size() > 128 * 1024);
    }

    // The temporary files go beside the output, so a missing or full temporary folder fails nothing.
    void toolNeedsNoTemporaryFolder_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"xlsx", "pdf"})
            QTest::newRow(format) << QString::fromLatin1(format);
    }

    void toolNeedsNoTemporaryFolder()
    {
        QFETCH(QString, format);
        TempCatalogue cat;
        seed(cat);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), QDir(cat.folder()).filePath(QStringLiteral("no such folder")));
        const QString out = QDir(cat.folder()).filePath(QStringLiteral("cds.") + format);
        const Run r
            = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), QStringLiteral("audiocds"),
                       QStringLiteral("--format"), format, QStringLiteral("--output"), out},
                      0, environment);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.err, QString());
        if (format == u"pdf") {
            QVERIFY(pdfText(out).contains(QStringLiteral("Arrival")));
        } else {
            const SheetFile file = readSheetFile(format, out);
            QVERIFY2(file.ok, qPrintable(file.error));
            QCOMPARE(firstColumn(file), (QStringList{"Arrival", "Gold", "Été", "Help"}));
        }
    }

    // Texts over a cell's limit: the window tells the user which rows were cut, the tool says it on
    // standard error and still succeeds; HTML and CSV keep the text whole.
    void overlongTextsAreToldAfterTheExport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cut");
        QTest::newRow("xls") << "audiocds.xls" << true;
        QTest::newRow("xlsx") << "audiocds.xlsx" << true;
        QTest::newRow("csv") << "audiocds.csv" << false;
        QTest::newRow("html") << "audiocds.html" << false;
    }

    void overlongTextsAreToldAfterTheExport()
    {
        QFETCH(QString, name);
        QFETCH(bool, cut);
        TempCatalogue cat;
        seed(cat);
        const QString memo = QString(Overlong - 1, u'm') + QStringLiteral("!");
        cat.exec(QStringLiteral("update CDAUDIO set COMMENTS = '%1' where CD_ID = 2").arg(memo));
        const QString path = QDir(cat.folder()).filePath(name);
        {
            Windows w(cat.path());
            if (name.endsWith(QStringLiteral(".html")))
                w.cdWindow.saveToHtmlFile(path);
            else
                w.cdWindow.saveToXlsFile(path);
            if (cut) {
                QCOMPARE(w.messages.boxes.size(), 1);
                QCOMPARE(w.messages.boxes[0].kind, MessageService::Kind::Warning);
                // Gold is the second row under the captions.
                QVERIFY2(w.messages.boxes[0].text.contains(QStringLiteral("row 3 (Gold): Comments")),
                         qPrintable(w.messages.boxes[0].text));
            } else {
                QVERIFY(w.messages.boxes.isEmpty());
                QVERIFY(QString::fromUtf8(contents(path)).contains(memo));
            }
        }
        const QString format = QFileInfo(name).suffix();
        if (format != u"html") {
            const SheetFile file = readSheetFile(format, path);
            QVERIFY2(file.ok, qPrintable(file.error));
            QCOMPARE(file.sheets[0].cells[2][0].toString(), QStringLiteral("Gold"));
            QCOMPARE(file.sheets[0].cells[2].last().toString(), cut ? memo.left(32767) : memo);
        }

        const Run r
            = runTool({QStringLiteral("--catalogue"), cat.path(), QStringLiteral("--list"), QStringLiteral("audiocds"),
                       QStringLiteral("--format"), format, QStringLiteral("--output"), path});
        QCOMPARE(r.code, 0);
        if (cut) {
            QCOMPARE(r.err.count(u'\n'), 1);
            QVERIFY2(r.err.contains(QStringLiteral("row 3 (Gold): Comments")), qPrintable(r.err));
        } else {
            QCOMPARE(r.err, QString());
        }
    }

    // The Excel command's dialog offers three formats; the name the user gives picks one.
    void excelCommandWritesTheFormatTheNameAsks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::addColumn<QString>("reader");
        QTest::newRow("xls") << "list.xls" << QByteArray("\xD0\xCF\x11\xE0", 4) << "xls";
        QTest::newRow("xlsx") << "list.XLSX" << QByteArray("PK\x03\x04", 4) << "xlsx";
        QTest::newRow("csv") << "list.csv" << QByteArray("\xEF\xBB\xBFTitle,") << "csv";
        QTest::newRow("no suffix") << "list" << QByteArray("\xD0\xCF\x11\xE0", 4) << "xls";
    }

    void excelCommandWritesTheFormatTheNameAsks()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        QFETCH(QString, reader);
        TempCatalogue cat;
        seed(cat);
        Windows w(cat.path());
        const QString path = QDir(cat.folder()).filePath(name);
        w.cdWindow.saveToXlsFile(path);
        QVERIFY(contents(path).startsWith(magic));
        const SheetFile file = readSheetFile(reader, path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(firstColumn(file), (QStringList{"Arrival", "Gold", "Été", "Help"}));
    }
};

QTEST_MAIN(tst_ListExports)
#include "tst_listexports.moc"
