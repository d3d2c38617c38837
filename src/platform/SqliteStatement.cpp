#include "SqliteStatement.h"
