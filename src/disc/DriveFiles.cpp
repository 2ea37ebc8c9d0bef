#include "disc/DriveFiles.h"

#include "base/Collation.h"
#include "base/Texts.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

void serve(const PendingEvents &pending)
{
    if (pending)
        pending();
    else
        QCoreApplication::processEvents();
}

// One trailing separator goes, as a drive root is written either way; the root itself stays.
QString withoutTrailingSeparator(const QString &folder)
{
    if (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        return folder.left(folder.size() - 1);
    return folder;
}

// /proc/self/mounts writes blanks, tabs, newlines and backslashes in names as octal escapes.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype k = 0; k < field.size(); ++k) {
        bool ok = false;
        const int code = field[k] == '\\' && k + 3 < field.size() ? field.mid(k + 1, 3).toInt(&ok, 8) : 0;
        if (ok) {
            out.append(char(code));
            k += 3;
        } else {
            out.append(field[k]);
        }
    }
    return QFile::decodeName(out);
}

QDir::Filters fileFilters(int attributes)
{
    QDir::Filters filters = QDir::Files;
    if (attributes & (faHidden | faSysFile))
        filters |= QDir::Hidden;
    if (attributes & faSysFile)
        filters |= QDir::System; // devices, pipes and sockets: the nearest thing to system files here
    return filters;
}

QStringList fileMasks(const QString &mask)
{
    // Callers write "*.*" for every file; as a pattern it would leave out the names without a dot.
    QStringList masks;
    if (!mask.isEmpty() && mask != QLatin1String("*.*") && mask != QLatin1String("*"))
        masks << mask;
    return masks;
}

bool eachName(const QString &folder, QDir::Filters filters, const QStringList &masks, const TakeName &take)
{
    if (folder.isEmpty())
        return true;
    QDirIterator it(withoutTrailingSeparator(folder), masks, filters | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (!take(it.fileName()))
            return false;
    }
    return true;
}

QString listNames(const QString &folder, QDir::Filters filters, const QStringList &masks, const PendingEvents &pending)
{
    QStringList names;
    // Events are served as each entry is read, since reading a slow drive is what takes the time.
    eachName(folder, filters, masks, [&](const QString &name) {
        names << name;
        serve(pending);
        return true;
    });
    sortNames(names);
    return names.join(Texts::LineBreak);
}

} // namespace

QString listCdDrives()
{
    // libcdio's warnings would go to stderr; the program logs nothing.
    cdio_log_set_handler([](cdio_log_level_t, const char *) {});
    QStringList drives;
    if (char **devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char **d = devices; *d; ++d)
            drives << QString::fromLocal8Bit(*d);
        cdio_free_device_list(devices);
    }
    return drives.join(Texts::LineBreak);
}

QString driveRoot(const QString &drive, const QString &mountsFile)
{
    const QFileInfo info(drive);
    if (drive.isEmpty() || !info.exists())
        return {};
    if (info.isDir())
        return drive;
    // /dev/cdrom is often a link to /dev/sr0, and the mount table names the device either way.
    const QString device = info.canonicalFilePath();
    QFile mounts(mountsFile);
    if (!mounts.open(QIODevice::ReadOnly))
        return {};
    // Read to the end at once: /proc files report no size.
    const QList<QByteArray> lines = mounts.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString source = unescapeMountField(fields[0]);
        if (source == drive || (!device.isEmpty() && QFileInfo(source).canonicalFilePath() == device))
            return unescapeMountField(fields[1]);
    }
    return {};
}

void sortNames(QStringList &names)
{
    // The directory gives no order of its own; by name, a disc scanned twice lists its items alike
    // and the user finds a name where the alphabet of the user's language puts it.
    Collation::sort(names);
}

QString listFolders(const QString &folder, const PendingEvents &pending)
{
    return listNames(folder, QDir::Dirs, {}, pending);
}

QString listFiles(const QString &folder, const QString &mask, int attributes, const PendingEvents &pending)
{
    return listNames(folder, fileFilters(attributes), fileMasks(mask), pending);
}

bool eachFolder(const QString &folder, const TakeName &take)
{
    return eachName(folder, QDir::Dirs, {}, take);
}

bool eachFile(const QString &folder, const QString &mask, int attributes, const TakeName &take)
{
    return eachName(folder, fileFilters(attributes), fileMasks(mask), take);
}
