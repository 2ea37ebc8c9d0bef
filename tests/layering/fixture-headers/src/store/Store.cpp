#include "store/Store.h"
#include "base/Texts.h"
