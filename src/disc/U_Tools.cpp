#include "disc/U_Tools.h"

#include "store/U_Constantes.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <QStringList>

QString ListCDDrives()
{
    // libcdio's warnings would go to stderr; the program logs nothing.
    cdio_log_set_handler([](cdio_log_level_t, const char *) {});
    QStringList drives;
    if (char **devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char **d = devices; *d; ++d)
            drives << QString::fromLocal8Bit(*d);
        cdio_free_device_list(devices);
    }
    return drives.join(U_Constantes::LineBreak);
}
