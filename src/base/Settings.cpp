#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QString &settingsFile()
{
    static QString file;
    return file;
}

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The settings name the user's servers and mail address: only the user reads them. QSettings
// writes a new file beside the old one and gives it the old one's permissions, so a file made
// here first is private from its first write on.
class PrivateSettings : public QSettings
{
public:
    using QSettings::QSettings;
    ~PrivateSettings() override
    {
        const QString file = fileName();
        if (!QFileInfo::exists(file) && !allKeys().isEmpty() && QDir().mkpath(QFileInfo(file).absolutePath())) {
            QFile made(file);
            if (made.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly))
                made.close();
        }
        sync();
        if (QFileInfo::exists(file))
            QFile::setPermissions(file, OwnerOnly);
    }
};

} // namespace

std::unique_ptr<QSettings> openSettings()
{
    std::unique_ptr<QSettings> settings;
    if (!settingsFile().isEmpty())
        settings = std::make_unique<PrivateSettings>(settingsFile(), QSettings::IniFormat);
    else
        settings = std::make_unique<PrivateSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                     QStringLiteral("dadudu"), QStringLiteral("dadudu"));
    // A file an earlier version left readable by all is closed to others as soon as it is read.
    if (QFileInfo::exists(settings->fileName()))
        QFile::setPermissions(settings->fileName(), OwnerOnly);
    return settings;
}

void setSettingsFile(const QString &iniPath)
{
    settingsFile() = iniPath;
}
