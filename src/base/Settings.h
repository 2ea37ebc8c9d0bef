#pragma once

#include <QString>

#include <memory>

class QSettings;

// The user's settings of the program, kept under the organisation "Dadudu" and the application
// "dadudu" whatever names the running application carries. A test points them at a file of its
// own instead, so it never reads or writes the user's.
std::unique_ptr<QSettings> openSettings();
void setSettingsFile(const QString &iniPath);
