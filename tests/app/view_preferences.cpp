// Opens the preferences on a settings file of its own, to look at; not a test.
#include "app/PreferencesDialog.h"
#include "base/Settings.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setSettingsFile(dir.filePath(QStringLiteral("dadudu.ini")));
    {
        auto settings = openSettings();
        settings->setValue(QStringLiteral("lookup/email"), QStringLiteral("jane@example.org"));
        settings->setValue(QStringLiteral("lookup/switchedOff"), QStringLiteral("cdtext"));
        settings->setValue(QStringLiteral("drives/discImage"),
                           QStringLiteral("/home/jane/rips/Some Artist - Some Title.cue"));
    }
    RecordingMessages messages;
    RecordingDialogs dialogs;
    showPreferences(messages, dialogs);
    return 0;
}
