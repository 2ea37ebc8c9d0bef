#pragma once

#include "store/DM_Artist.h"
#include "store/DM_CD.h"
#include "store/DM_Data.h"
#include "store/DM_Main.h"
#include "store/DM_Movie.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QStringList>

// What the editor dialogs run against: a catalogue file seeded by the test, the one connection, and
// the stores the editors read and save through, their lists open as the main window holds them;
// the message boxes and file dialogs are recorded.
struct EditorCatalogue {
    explicit EditorCatalogue(const QString &seed = {});

    // What is in the file, as another program sharing it reads it.
    QStringList artistRows();  // "id|name", by id
    QStringList movieRows();   // "id|title|type", by id
    QStringList dataCDRows();  // "title|item,item", by CD id, the items in the order they were stored

    TempCatalogue file;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    TD_Main main{messages};
    TD_CD cds{main, messages};
    TD_Artist artists{main, messages};
    TD_Movie movies{main, messages};
    TD_Data data{main, messages};
};
