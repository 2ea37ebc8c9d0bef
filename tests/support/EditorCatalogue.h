#pragma once

#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
#include "store/MovieStore.h"
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
    QStringList artistRows(); // "id|name", by id
    QStringList movieRows();  // "id|title|type", by id
    QStringList dataCDRows(); // "title|item,item", by CD id, the items in the order they were stored

    TempCatalogue file;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    CatalogueConnection main{messages};
    AudioCDStore cds{main, messages};
    ArtistStore artists{main, messages};
    MovieStore movies{main, messages};
    DataCDStore data{main, messages};
};
