#include "app/CatalogueLocation.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString catalogueDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool isCatalogueAddress(const QString &catalogue)
{
    return catalogue.contains(QLatin1String("://"));
}

QString findCatalogue(const QString &named, const QString &executableFolder, const QString &preferred)
{
    if (!named.isEmpty())
        return named;
    QString beside = QDir(executableFolder).filePath(Texts::DatabaseFileName);
    if (QFileInfo::exists(beside))
        return beside;
    if (!preferred.isEmpty())
        return preferred;
    return QDir(catalogueDataFolder()).filePath(Texts::DatabaseFileName);
}

bool offerNewCatalogue(const QString &catalogue, MessageService &messages)
{
    if (isCatalogueAddress(catalogue))
        return true;
    // Anything of that name, even a folder or another program's file, is for the opening to judge.
    if (QFileInfo(catalogue).exists() || QFileInfo(catalogue).isSymLink())
        return true;
    if (!messages.confirm(Texts::CreateCatalogueQuestion.arg(QDir::toNativeSeparators(catalogue))))
        return false;
    const QString folder = QFileInfo(catalogue).absolutePath();
    try {
        if (!QDir().mkpath(folder))
            throw DbError(Texts::CoverFolderNotCreated.arg(QDir::toNativeSeparators(folder)));
        createEmptyCatalogue(catalogue);
    } catch (const DbError &e) {
        messages.error(Texts::CatalogueNotCreated + Texts::LineBreak + e.text());
        return false;
    }
    return true;
}

QString coversFolderOf(const QString &catalogue)
{
    const QString folder = isCatalogueAddress(catalogue) ? catalogueDataFolder() : QFileInfo(catalogue).absolutePath();
    return QDir(folder).filePath(Texts::CoversFolderName);
}
