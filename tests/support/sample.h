// The bundled sample drawing, made with the CMX builder.
#pragma once

#include "tests/support/cmxbuilder.h"

namespace cmxtest {

// A small scene: a house with a filled wall and roof, two windows drawn as one shape with two
// sub-paths, a door grouped with its knob and frame, an outlined sun and ground line, a picture
// (a raster image) and a thumbnail rendered from the same shapes. Indexed, with the index section
// of CorelDRAW's files, as the bundled samples are.
Bytes SampleDrawing(Variant variant = {});
Bytes SampleDrawing(Variant variant, bool indexed);

} // namespace cmxtest
