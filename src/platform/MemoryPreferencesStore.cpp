#include "MemoryPreferencesStore.h"
