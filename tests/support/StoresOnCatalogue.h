#pragma once

#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
#include "store/DataItemStore.h"
#include "store/MovieStore.h"
#include "store/TrackStore.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QStringList>

#include <array>

// The program's one connection to a catalogue and all six stores on it, as the main window holds
// them, telling `messages` what goes wrong. Nothing is opened: each user opens what it needs.
struct ProgramStores {
    explicit ProgramStores(MessageService &messages);
    ProgramStores(const ProgramStores &) = delete;
    ProgramStores &operator=(const ProgramStores &) = delete;

    // In the list windows' order: audio CDs, artists, tracks, movies, data CDs, data items.
    std::array<Store *, 6> all();
    void openLists();

    CatalogueConnection main;
    AudioCDStore cds;
    ArtistStore artists;
    TrackStore tracks;
    MovieStore movies;
    DataCDStore data;
    DataItemStore items;
};

// What the stores on a test catalogue stand on, made before them and gone after them: the
// catalogue (its schema on the server is dropped only once the program's connection is closed),
// and the message boxes and file dialogs, recorded.
struct TestServices {
    TempCatalogue cat;
    RecordingMessages messages;
    RecordingDialogs dialogs;
};

// All stores on one fresh catalogue, a file or a schema of the test server (TempCatalogue), seeded
// with `seed` (SQL of the engine under test) and not yet opened.
struct StoresOnCatalogue
    : TestServices
    , ProgramStores {
    explicit StoresOnCatalogue(const QString &seed = {});

    // What is in the catalogue, as another program sharing it reads it.
    QStringList artistRows(); // "id|name", by id
    QStringList movieRows();  // "id|title|type", by id
    QStringList dataCDRows(); // "title|item,item", by CD id, the items in the order they were stored
};

// As the editors find it: the catalogue open, with the lists they read and refresh.
struct EditorCatalogue : StoresOnCatalogue {
    explicit EditorCatalogue(const QString &seed = {});
};
