#include "app/AppModules.h"
#include "app/BoxMessageService.h"
#include "app/StandardDialogService.h"
#include "app/DaduduApplication.h"
#include "app/FM_Main.h"

int main(int argc, char **argv)
{
    DaduduApplication app(argc, argv);
    BoxMessageService messages;
    app.setMessageService(&messages);
    StandardDialogService dialogs;
    // The catalogue lives beside the executable, whatever the working directory.
    AppModules modules(messages, dialogs, QCoreApplication::applicationDirPath());
    modules.F_Main->show();
    return app.exec();
}
