#pragma once
#include "base/Texts.h"
