#include "InstanceLock.h"
