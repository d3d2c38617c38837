#include "DataLocation.h"
