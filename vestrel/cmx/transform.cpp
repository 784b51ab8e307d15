// Global transforms: instruction 94 sets a transform inside those that stand, 95 takes the last
// one back. While one stands, it applies to the file coordinates of every object read: points,
// rectangles, group bounds, and images through their own matrix.
#include "vestrel/cmx/readers.h"

#include <algorithm>

namespace {

// The transform that applies inner first and outer after it.
CMatrix Compose(const CMatrix& outer, const CMatrix& inner) {
    CMatrix m;
    m.m11 = outer.m11 * inner.m11 + outer.m21 * inner.m12;
    m.m21 = outer.m11 * inner.m21 + outer.m21 * inner.m22;
    m.m12 = outer.m12 * inner.m11 + outer.m22 * inner.m12;
    m.m22 = outer.m12 * inner.m21 + outer.m22 * inner.m22;
    m.dx = outer.m11 * inner.dx + outer.m21 * inner.dy + outer.dx;
    m.dy = outer.m12 * inner.dx + outer.m22 * inner.dy + outer.dy;
    return m;
}

} // namespace

int CmxWalk::DoAddGlobalTransform() {
    CMatrix matrix;
    TaggedRecord operands(*this, {1}, instrEnd);
    while (operands.Next())
        if (operands.Id() == 1)
            GetFileMatrix(&matrix);
    transforms.push_back(transforms.empty() ? matrix : Compose(transforms.back(), matrix));
    return 1;
}

int CmxWalk::DoRestoreGlobalTransform() {
    // A restore without a transform to restore is passed over.
    if (!transforms.empty())
        transforms.pop_back();
    return 1;
}

void CmxWalk::TransformMatrix(CMatrix* matrix) const {
    if (transforms.empty())
        return;
    // The transform in drawing units: the origin moves to the bounding box's lower-left
    // corner and the units scale, the factors stay.
    const CMatrix& file = transforms.back();
    const double left = static_cast<double>(GetBoundLeft());
    const double bottom = static_cast<double>(GetBoundBottom());
    CMatrix drawingUnits = file;
    drawingUnits.dx = (file.m11 * left + file.m21 * bottom + file.dx - left) * coordScale;
    drawingUnits.dy = (file.m12 * left + file.m22 * bottom + file.dy - bottom) * coordScale;
    *matrix = Compose(drawingUnits, *matrix);
}

void CmxWalk::TransformBounds(tagDoubleRect* bounds) const {
    if (transforms.empty())
        return;
    // Bounds are scaled but keep the file's origin; the transformed corners' extent replaces
    // them, in the order of their sides.
    const CMatrix& m = transforms.back();
    const double xs[2] = {bounds->left, bounds->right};
    const double ys[2] = {bounds->top, bounds->bottom};
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const double x = xs[i & 1], y = ys[i >> 1];
        const double tx = m.m11 * x + m.m21 * y + m.dx * coordScale;
        const double ty = m.m12 * x + m.m22 * y + m.dy * coordScale;
        minX = i == 0 ? tx : std::min(minX, tx);
        maxX = i == 0 ? tx : std::max(maxX, tx);
        minY = i == 0 ? ty : std::min(minY, ty);
        maxY = i == 0 ? ty : std::max(maxY, ty);
    }
    const bool leftFirst = bounds->left <= bounds->right;
    const bool topAbove = bounds->top >= bounds->bottom;
    bounds->left = leftFirst ? minX : maxX;
    bounds->right = leftFirst ? maxX : minX;
    bounds->top = topAbove ? maxY : minY;
    bounds->bottom = topAbove ? minY : maxY;
}
