#include "SqlitePreferencesStore.h"
