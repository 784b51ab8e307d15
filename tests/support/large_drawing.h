// The large drawings of the benchmarks and the memory host: many shapes of 12 points per
// sub-path, with the colour and outline tables behind the page, where CorelDRAW writes them.
#pragma once

#include "tests/support/cmxbuilder.h"

namespace cmxtest {

enum Kind { kFilled = 0, kUnfilled = 1, kSplitInGroups = 2, kImages = 3 };
extern const char* const kKindNames[4];

// A drawing of shapes shapes of the kind (shapes / 100 pictures for images); the line drawing
// is kUnfilled.
Bytes LargeDrawing(Kind kind, int shapes);

} // namespace cmxtest
