// view_shell splash|about: shows one of the shell's small windows until it is closed.
#include "app/AboutDialog.h"
#include "app/DaduduApplication.h"
#include "app/SplashScreen.h"

int main(int argc, char **argv)
{
    DaduduApplication app(argc, argv);
    const QString what = app.arguments().value(1, QStringLiteral("splash"));
    if (what == QLatin1String("about")) {
        showAbout(nullptr);
        return 0;
    }
    SplashScreen splash;
    splash.show();
    return app.exec();
}
