#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The CD drives of the machine by device path, one per line, joined by "\r\n" with no break after
// the last; empty text when there is none.
QString listCdDrives();

// Entry kinds a file listing may return besides plain files, as bits a caller combines. Hidden and
// system entries are the dot-files here.
enum ListAttribute : int {
    faHidden = 2,
    faSysFile = 4,
    faVolumeID = 8,
    faDirectory = 16,
};

// Runs after each entry read so the windows stay responsive; empty means the application's own
// event processing.
using PendingEvents = std::function<void()>;

// Takes one name as it is read; answers false to stop the listing there.
using TakeName = std::function<bool(const QString &name)>;

// The folder to scan for a drive: a folder is itself, a device is where it is mounted according to
// `mountsFile` (lines as in /proc/self/mounts). Empty when the device is not mounted.
QString driveRoot(const QString &drive, const QString &mountsFile = QStringLiteral("/proc/self/mounts"));

// The names of the folder's sub-folders, dot-folders left out, by name regardless of case; "\r\n"
// between two names. Empty when there is none or the folder cannot be read.
QString listFolders(const QString &folder, const PendingEvents &pending = {});

// The names of the folder's entries that match `mask` ("*.*" is every name) and are not folders, by
// name. Dot-files only when `attributes` holds faHidden or faSysFile.
QString listFiles(const QString &folder, const QString &mask, int attributes, const PendingEvents &pending = {});

// The same names as ListFolders and ListFiles, handed to `take` one by one as the directory gives
// them, unsorted, so a caller can show a long listing while it comes. False when `take` stopped it.
bool eachFolder(const QString &folder, const TakeName &take);
bool eachFile(const QString &folder, const QString &mask, int attributes, const TakeName &take);

// The order of ListFolders and ListFiles: by name regardless of case, then by case.
void sortNames(QStringList &names);
