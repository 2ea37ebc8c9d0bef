// Makes an empty catalogue file: dadudu-mkcatalogue [--force] PATH
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes an empty Dadudu catalogue. An existing file is left as it is unless --force is given."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Replace an existing catalogue at PATH."));
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("The catalogue file to make."),
                                 QStringLiteral("PATH"));
    QTextStream err(stderr);
    if (!parser.parse(app.arguments())) {
        err << "dadudu-mkcatalogue: " << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.positionalArguments().size() != 1) {
        err << "dadudu-mkcatalogue: usage: dadudu-mkcatalogue [--force] PATH   (--help tells more)\n";
        return 2;
    }
    const QString path = parser.positionalArguments().constFirst();
    try {
        if (!parser.isSet(force) || !QFileInfo(path).exists()) {
            createEmptyCatalogue(path);
            return 0;
        }
        if (QFileInfo(path).isDir())
            throw DbError(QStringLiteral("%1 is a folder.").arg(path));
        // Made beside it and then put in its place in one step: the old catalogue stays whole
        // until the new one is complete.
        QString fresh;
        {
            QTemporaryFile name(path + QStringLiteral(".XXXXXX"));
            if (!name.open())
                throw DbError(QStringLiteral("Cannot write beside %1: %2").arg(path, name.errorString()));
            fresh = name.fileName();
        }
        createEmptyCatalogue(fresh);
        // A journal left by the old file would be replayed into the new one.
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        if (std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) != 0) {
            QFile::remove(fresh);
            throw DbError(QStringLiteral("Cannot replace %1.").arg(path));
        }
    } catch (const DbError &e) {
        // One line that names the catalogue, whatever the engine's words.
        const QString text = e.text().simplified();
        err << "dadudu-mkcatalogue: " << (text.contains(path) ? QString() : path + QStringLiteral(": ")) << text
            << '\n';
        return 1;
    }
    return 0;
}
