#include "app/CatalogueLocation.h"

#include "store/CatalogueFile.h"
#include "store/DbEngine.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

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
    const QString beside = QDir(executableFolder).filePath(U_Constantes::DatabaseFileName);
    if (QFileInfo::exists(beside))
        return beside;
    if (!preferred.isEmpty())
        return preferred;
    return QDir(catalogueDataFolder()).filePath(U_Constantes::DatabaseFileName);
}

bool offerNewCatalogue(const QString &catalogue, MessageService &messages)
{
    if (isCatalogueAddress(catalogue))
        return true;
    // Anything of that name, even a folder or another program's file, is for the opening to judge.
    if (QFileInfo(catalogue).exists() || QFileInfo(catalogue).isSymLink())
        return true;
    if (!messages.confirm(U_Constantes::CreateCatalogueQuestion.arg(QDir::toNativeSeparators(catalogue))))
        return false;
    const QString folder = QFileInfo(catalogue).absolutePath();
    try {
        if (!QDir().mkpath(folder))
            throw DbError(U_Constantes::CoverFolderNotCreated.arg(QDir::toNativeSeparators(folder)));
        createEmptyCatalogue(catalogue);
    } catch (const DbError &e) {
        messages.error(U_Constantes::CatalogueNotCreated + U_Constantes::LineBreak + e.text());
        return false;
    }
    return true;
}

QString coversFolderOf(const QString &catalogue)
{
    const QString folder = isCatalogueAddress(catalogue) ? catalogueDataFolder() : QFileInfo(catalogue).absolutePath();
    return QDir(folder).filePath(U_Constantes::CoversFolderName);
}
