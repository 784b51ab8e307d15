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

// How a bundled sample differs from the scene the tests use: laid out as real writers lay out
// their files, with the header texts of real files (OS "Windows 3.1", unit 35), a scale factor
// and coordinates that make the scene a page of some centimetres, named colours, a 256 x 256
// true-colour preview of the scene, and optionally a second page.
struct SampleLayout {
    bool real = false;
    std::int32_t unitsPerSceneUnit = 1; // file units for each unit of the scene (1000 wide)
    double scaleFactor = 1e-5;
    bool secondPage = false;
};
Bytes SampleDrawing(Variant variant, bool indexed, const SampleLayout& layout);

} // namespace cmxtest
