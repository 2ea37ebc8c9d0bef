#include "grid/Grid.h"
#include "base/Texts.h"
