#include "base/Settings.h"

#include <QSettings>

namespace {

QString &settingsFile()
{
    static QString file;
    return file;
}

} // namespace

std::unique_ptr<QSettings> openSettings()
{
    if (!settingsFile().isEmpty())
        return std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("dadudu"),
                                       QStringLiteral("dadudu"));
}

void setSettingsFile(const QString &iniPath)
{
    settingsFile() = iniPath;
}
