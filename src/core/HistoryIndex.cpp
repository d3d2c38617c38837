#include "HistoryIndex.h"
