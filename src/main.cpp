#include "app/AppModules.h"
#include "app/BoxMessageService.h"
#include "app/CatalogueLocation.h"
#include "app/StandardDialogService.h"
#include "app/DaduduApplication.h"
#include "app/FM_Main.h"
#include "app/FM_Preferences.h"
#include "app/Keyring.h"
#include "store/ServerPassword.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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

} // namespace

int main(int argc, char **argv)
{
    // A password in --catalogue's address serves this run only, and leaves the process list at once.
    db::takePasswordsFromArguments(argc, argv);
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
    const QString catalogue = findCatalogue(parser.value(catalogueOption), QCoreApplication::applicationDirPath(),
                                            preferredCatalogue());
    offerNewCatalogue(catalogue, messages);
    AppModules modules(messages, dialogs, catalogue);
    modules.F_Main->show();
    return app.exec();
}
