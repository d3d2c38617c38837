#include "MemoryClipboard.h"
