// The counted colour set lives with the analysis engine; this name is kept for the code that
// includes it from here.
#pragma once

#include "colorart/engine/CountedColorSet.hpp"
