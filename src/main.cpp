#include "app/AppModules.h"
#include "app/BoxMessageService.h"
#include "app/CatalogueLocation.h"
#include "app/DaduduApplication.h"
#include "app/Keyring.h"
#include "app/MainWindow.h"
#include "app/PreferencesDialog.h"
#include "app/StandardDialogService.h"
#include "store/ServerPassword.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const QCommandLineOption catalogueOption(QStringLiteral("catalogue"),
                                         QStringLiteral("Open the catalogue <path> instead of the usual one."),
                                         QStringLiteral("path"));

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Dadudu, a catalogue of audio CDs, movies and data CDs.\n\n"
        "The catalogue is dadudu.mdb beside the program when there is one, otherwise dadudu.mdb\n"
        "in the user's data folder, unless the preferences name another; --catalogue names another,\n"
        "a file or a PostgreSQL server's address (postgresql://user@host:port/dbname). A server's\n"
        "password comes from the desktop's keyring (the preferences put it there), PGPASSWORD or ~/.pgpass."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(catalogueOption);
}

// --help and --version are answered without a display, so they work from a text console too.
bool answersWithoutWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// The toolkit's own options, which the window's application takes off the command line itself.
bool isToolkitOption(const QString &name)
{
    static const QStringList names{QStringLiteral("platform"),
                                   QStringLiteral("platformpluginpath"),
                                   QStringLiteral("platformtheme"),
                                   QStringLiteral("plugin"),
                                   QStringLiteral("qwindowgeometry"),
                                   QStringLiteral("qwindowicon"),
                                   QStringLiteral("qwindowtitle"),
                                   QStringLiteral("reverse"),
                                   QStringLiteral("session"),
                                   QStringLiteral("style"),
                                   QStringLiteral("stylesheet"),
                                   QStringLiteral("widgetcount"),
                                   QStringLiteral("display"),
                                   QStringLiteral("geometry"),
                                   QStringLiteral("title"),
                                   QStringLiteral("name"),
                                   QStringLiteral("nograb"),
                                   QStringLiteral("dograb"),
                                   QStringLiteral("sync"),
                                   QStringLiteral("fn"),
                                   QStringLiteral("font"),
                                   QStringLiteral("bg"),
                                   QStringLiteral("background"),
                                   QStringLiteral("fg"),
                                   QStringLiteral("foreground"),
                                   QStringLiteral("btn"),
                                   QStringLiteral("button"),
                                   QStringLiteral("visual"),
                                   QStringLiteral("ncols"),
                                   QStringLiteral("cmap"),
                                   QStringLiteral("im"),
                                   QStringLiteral("qmljsdebugger"),
                                   QStringLiteral("testability")};
    return names.contains(name.section(u'=', 0, 0));
}

// A wrong command line is told before anything needs a display, so it is told on a text console too,
// with the status of a usage error. The toolkit's own options are left to the toolkit.
bool commandLineIsWrong(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    describe(parser);
    if (parser.parse(arguments))
        return false;
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty() && std::all_of(unknown.begin(), unknown.end(), isToolkitOption))
        return false;
    std::fprintf(stderr, "dadudu: %s (see --help)\n", qPrintable(parser.errorText()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // A password in --catalogue's address serves this run only, and leaves the process list at once.
    db::takePasswordsFromArguments(argc, argv);
    if (commandLineIsWrong(argc, argv))
        return 2;
    if (answersWithoutWindow(argc, argv)) {
        QCoreApplication console(argc, argv);
        DaduduApplication::setIdentity();
        QCommandLineParser parser;
        describe(parser);
        parser.process(console); // prints and exits
        return 0;
    }
    DaduduApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    // A server that wants a password libpq's own sources (PGPASSWORD, ~/.pgpass) did not give.
    db::setPasswordSource([](const QString &address) { return programSecrets().read(address); });
    BoxMessageService messages;
    app.setMessageService(&messages);
    StandardDialogService dialogs;
    // A catalogue beside the executable wins, whatever the working directory, so a copy carried
    // elsewhere keeps its own.
    const QString catalogue
        = findCatalogue(parser.value(catalogueOption), QCoreApplication::applicationDirPath(), preferredCatalogue());
    offerNewCatalogue(catalogue, messages);
    AppModules modules(messages, dialogs, catalogue);
    modules.mainWindow->show();
    return app.exec();
}
