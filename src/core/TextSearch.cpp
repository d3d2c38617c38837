#include "TextSearch.h"
