#pragma once

#include <QString>

// The CD drives of the machine by device path, one per line, joined by "\r\n" with no break after
// the last; empty text when there is none.
QString ListCDDrives();
