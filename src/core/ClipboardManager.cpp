#include "ClipboardManager.h"
