// Drawing a drawing list as SVG and JSON, for the commands and their tests.
#pragma once

#include "drawset/grobj.h"

#include <string>

namespace vestrel_cli {

// The drawing as an SVG document: paths stroked in their colours, bitmaps placed by their
// bounds and transformation, in drawing units with the y axis up.
std::string DrawingSvg(const CGrDrawset& drawing);

// The SVG element of one bitmap object: an embedded PNG; empty when its data is no bitmap.
std::string BitmapElement(const CGrObj& bitmap);

// The drawing as the JSON document of vestrel dump.
std::string DrawingJson(const CGrDrawset& drawing);

} // namespace vestrel_cli
