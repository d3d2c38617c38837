#pragma once
#include "UnicodeText.h" // moved there; switch includes and remove this file
