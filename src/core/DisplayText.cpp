#include "DisplayText.h"
