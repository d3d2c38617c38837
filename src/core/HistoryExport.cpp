#include "HistoryExport.h"
