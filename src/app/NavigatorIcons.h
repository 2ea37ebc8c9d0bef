#pragma once

#include <QIcon>

// The navigator's six 32 x 32 pictures, drawn by the program: a disc with a note, a guitar,
// a loudspeaker, a film reel, a disc above a drive, a folder (in navigator order).
QIcon navigatorIcon(int index);
