#include "Classifier.h"
