#pragma once

#include <QString>

#include <memory>

class QSettings;

// The user's settings of the program, in ~/.config/dadudu/dadudu.conf whatever names the running
// application carries (the application leaves its organisation empty so that its data folder is not
// doubled, and QSettings wants one). A test points them at a file of its
// own instead, so it never reads or writes the user's. The file is the user's alone (0600), and never
// holds a password.
std::unique_ptr<QSettings> openSettings();
void setSettingsFile(const QString &iniPath);
