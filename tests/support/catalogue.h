// Named drawings of the CMX builder, each stressing one part of the reader. The fuzz seeds come
// from them, and the job expectations cover the whole catalogue.
#pragma once

#include "tests/support/cmxbuilder.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cmxtest {

// Every raster type: no palette, black and white, grey, and stored palettes of 2, 16 and 256.
Bytes RasterTypes(Variant v);
// Shapes with several sub-paths, curve runs and every node type.
Bytes SplitShapes(Variant v);
// Nested groups, a group left open, and more ends than beginnings.
Bytes Groups(Variant v);
// Jumps of both signs, forward inside the page, and an instruction in the long size form.
Bytes Jumps(Variant v);
// Fields that writers add and the reader skips, every fill type and every attribute record.
Bytes TaggedExtras(Variant v);
// Rectangles and global transforms, nested, and restored more often than set.
Bytes Shapes(Variant v);
// Colours as CorelDRAW writes them, the name field first, filling and outlining shapes.
Bytes NamedColors(Variant v);

// A 96 x 96 thumbnail of colors grey entries, entry white being white (-1: none), and the
// header's colour count when given.
Thumbnail Preview(int colors, int white, std::optional<std::uint32_t> clrUsed = {});
// A 96 x 96 thumbnail of 32 bits per pixel, which carries no palette.
Thumbnail TrueColorPreview();
// A one-shape drawing carrying the thumbnail.
Bytes WithPreview(Variant v, const Thumbnail& t);
// The named previews of the catalogue.
std::vector<std::pair<std::string, Thumbnail>> Previews();

struct NamedDrawing {
    std::string name;
    Bytes bytes;
};

// The rich drawing, the sample and each drawing above in every variant, the previews, compressed
// twins and an empty page.
std::vector<NamedDrawing> Catalogue();

} // namespace cmxtest
