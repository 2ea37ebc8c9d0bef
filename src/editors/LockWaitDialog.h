#pragma once

#include "store/CatalogueConnection.h"

// The windows' lock waiter: a write that finds another program holding the catalogue is tried
// again from the event loop every moment, so the windows repaint, while a dialog says that the save
// waits and offers to stop waiting, which stores nothing.
LockWaiter windowLockWaiter();
