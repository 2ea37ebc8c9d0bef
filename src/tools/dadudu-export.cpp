// Exports one list of a catalogue without the program's window:
//   dadudu-export --catalogue PATH --list audiocds --format xlsx --output FILE
// The list is the list window itself, built on the catalogue and never shown, so the file holds the
// columns, captions, order and formatting that the window's own export writes.
#include "base/MessageService.h"
#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "grid/ExportError.h"
#include "grid/GridExport.h"
#include "lists/ArtistListWindow.h"
#include "lists/AudioCDListWindow.h"
#include "lists/DataCDListWindow.h"
#include "lists/DataItemListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
#include "store/DataItemStore.h"
#include "store/DbBackend.h"
#include "store/MovieStore.h"
#include "store/ServerPassword.h"
#include "store/TrackStore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>
#include <functional>
#include <memory>

namespace {

enum Exit { Done = 0, Failed = 1, Usage = 2 };

void say(const QString &text)
{
    // One line: what a script's log or a terminal shows whole.
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << line.simplified() << '\n';
}

// The message boxes of the stores and the list window, as lines on standard error.
class ErrorLines : public MessageService
{
public:
    void show(Kind kind, const QString &text) override
    {
        if (kind == Kind::Error || kind == Kind::Unhandled)
            ++errors;
        say(text);
    }
    bool confirm(const QString &) override { return false; }
    int errors = 0;
};

struct Opened {
    std::unique_ptr<Store> store;
    std::unique_ptr<ListWindow> window;
};

struct List {
    QString name;
    QString report; // the title printing gives the list
    std::function<Opened(CatalogueConnection &, MessageService &)> open;
};

template<typename S, typename W, typename Edit>
Opened openList(CatalogueConnection &main, MessageService &messages, Edit edit)
{
    Opened o;
    auto store = std::make_unique<S>(main, messages);
    o.window = std::make_unique<W>(*store, edit, messages);
    store->openList();
    o.store = std::move(store);
    return o;
}

const std::vector<List> &lists()
{
    static const std::vector<List> all = {
        {QStringLiteral("audiocds"), Texts::ReportCDs,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<AudioCDStore, AudioCDListWindow>(m, s, [](int) {});
         }},
        {QStringLiteral("artists"), Texts::ReportArtists,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<ArtistStore, ArtistListWindow>(m, s, [](int) {});
         }},
        {QStringLiteral("tracks"), Texts::ReportTracks,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<TrackStore, TrackListWindow>(m, s, [](int) {});
         }},
        {QStringLiteral("movies"), Texts::ReportMovies,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<MovieStore, MovieListWindow>(m, s, [](int) {});
         }},
        {QStringLiteral("datacds"), Texts::ReportDataCDs,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<DataCDStore, DataCDListWindow>(m, s, [](int) {});
         }},
        {QStringLiteral("dataitems"), Texts::ReportDataItems,
         [](CatalogueConnection &m, MessageService &s) {
             return openList<DataItemStore, DataItemListWindow>(m, s, [](int) {});
         }},
    };
    return all;
}

const std::vector<std::pair<QString, GridExport::Format>> &formats()
{
    static const std::vector<std::pair<QString, GridExport::Format>> all = {
        {QStringLiteral("html"), GridExport::Html}, {QStringLiteral("xls"), GridExport::Xls},
        {QStringLiteral("xlsx"), GridExport::Xlsx}, {QStringLiteral("csv"), GridExport::Csv},
        {QStringLiteral("pdf"), GridExport::Pdf},
    };
    return all;
}

bool isDatabase(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
}

// Only the tool's own lines reach standard error, so a script reads one line for one failure; the
// toolkit's remarks about the session it runs in are dropped.
void quietToolkit(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        say(text);
}

} // namespace

int main(int argc, char **argv)
{
    // A file grown past the user's limit (ulimit -f) is a failed write to report, not a reason to die
    // without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // A server's password belongs in PGPASSWORD or ~/.pgpass; one given in an address is used, and
    // taken out of the process list before anything else.
    db::takePasswordsFromArguments(argc, argv);
    qInstallMessageHandler(quietToolkit);
    // Nothing is shown: the windows and the printer only need fonts, which need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dadudu-export"));
    QApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));

    QStringList listNames, formatNames;
    for (const List &l : lists())
        listNames << l.name;
    for (const auto &f : formats())
        formatNames << f.first;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes one list of a Dadudu catalogue to a file, as the list window's export or print "
                       "writes it: the same columns, captions and order.\n\nExit status: 0 when the file is "
                       "written, 1 when it is not (no catalogue, unreadable catalogue, unwritable output), 2 "
                       "for a wrong command line. An existing output file is replaced only once the new one "
                       "is whole; a catalogue is never replaced."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption catalogueOption(
        QStringLiteral("catalogue"), QStringLiteral("The catalogue file (dadudu.mdb)."), QStringLiteral("PATH"));
    const QCommandLineOption listOption(
        QStringLiteral("list"), QStringLiteral("The list: %1.").arg(listNames.join(u'|')), QStringLiteral("LIST"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("The file's format: %1.").arg(formatNames.join(u'|')),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption outputOption(QStringLiteral("output"), QStringLiteral("The file to write."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption csvRawOption(
        QStringLiteral("csv-raw"),
        QStringLiteral("With --format csv: each text as stored, for other programs; without "
                       "it the file is for spreadsheets (a byte-order mark, and texts that "
                       "would start a formula kept texts)."));
    parser.addOptions({catalogueOption, listOption, formatOption, outputOption, csvRawOption});
    if (!parser.parse(app.arguments())) {
        QString why = parser.errorText();
        if (why.endsWith(u'.'))
            why.chop(1);
        say(why + QStringLiteral("; see --help"));
        return Usage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Done);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("unexpected argument \"%1\"; see --help").arg(parser.positionalArguments().first()));
        return Usage;
    }
    for (const QCommandLineOption *o : {&catalogueOption, &listOption, &formatOption, &outputOption})
        if (!parser.isSet(*o)) {
            say(QStringLiteral("--%1 is missing; see --help").arg(o->names().first()));
            return Usage;
        }
    const QString listName = parser.value(listOption);
    const auto list = std::find_if(lists().begin(), lists().end(), [&](const List &l) { return l.name == listName; });
    if (list == lists().end()) {
        say(QStringLiteral("unknown list \"%1\"; one of %2").arg(listName, listNames.join(QStringLiteral(", "))));
        return Usage;
    }
    const QString formatName = parser.value(formatOption);
    const auto format
        = std::find_if(formats().begin(), formats().end(), [&](const auto &f) { return f.first == formatName; });
    if (format == formats().end()) {
        say(QStringLiteral("unknown format \"%1\"; one of %2").arg(formatName, formatNames.join(QStringLiteral(", "))));
        return Usage;
    }

    if (parser.isSet(csvRawOption) && format->second != GridExport::Csv) {
        say(QStringLiteral("--csv-raw goes with --format csv only; see --help"));
        return Usage;
    }
    const GridExport::Format written = parser.isSet(csvRawOption) ? GridExport::CsvRaw : format->second;

    const QString cataloguePath = parser.value(catalogueOption);
    const QString output = parser.value(outputOption);
    // A server's catalogue is reached by its postgresql:// address; a file must be there.
    if (!db::isServerLocation(cataloguePath) && !QFileInfo(cataloguePath).isFile()) {
        say(QStringLiteral("no catalogue at \"%1\"").arg(cataloguePath));
        return Failed;
    }
    const QFileInfo target(output);
    if (target.exists()
        && (target.canonicalFilePath() == QFileInfo(cataloguePath).canonicalFilePath() || isDatabase(output))) {
        say(QStringLiteral("\"%1\" is a database; an export never replaces one").arg(output));
        return Failed;
    }

    ErrorLines messages;
    CatalogueConnection main(messages);
    // Reading is all an export does: a catalogue the user may only read, or on a read-only medium,
    // exports, and is left as it was, without log files beside it or a changed journal mode.
    main.setReadOnly(true);
    main.openDatabase(cataloguePath);
    if (!main.connection.connected())
        return Failed; // the store has said why
    try {
        const Opened opened = list->open(main, messages);
        if (messages.errors > 0)
            return Failed;
        if (written == GridExport::Pdf)
            GridExport::toPdf(*opened.window->mainGrid()->model(), output, list->report);
        else
            opened.window->saveToFile(output, written);
    } catch (const DbError &e) {
        say(e.text());
        return Failed;
    } catch (const ExportError &e) {
        say(e.text());
        return Failed;
    }
    return Done;
}
