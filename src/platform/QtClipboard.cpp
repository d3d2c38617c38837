#include "QtClipboard.h"
