#include "HistoryPersistence.h"
