#include "WordTagger.h"
