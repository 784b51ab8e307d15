// Drawing a drawing list as SVG and JSON, for the commands and their tests.
#pragma once

#include "drawset/grobj.h"
#include "vestrel/cmx/appearance.h"

#include <string>

namespace vestrel_cli {

// The drawing as an SVG document in drawing units with the y axis up, its view the drawing's
// frame: shapes filled and outlined as their appearance says (without one, as from a job file,
// outlined in their colours), split shapes as one path, groups as <g>, bitmaps placed by their
// bounds and transformation.
std::string DrawingSvg(const CGrDrawset& drawing);
std::string DrawingSvg(const CGrDrawset& drawing, const CCmxAppearances* looks);

// The SVG element of one bitmap object: an embedded PNG; empty when its data is no bitmap.
std::string BitmapElement(const CGrObj& bitmap);

// The drawing as the JSON document of vestrel dump.
std::string DrawingJson(const CGrDrawset& drawing);

} // namespace vestrel_cli
