// The graphic object records as the reader uses them. The records themselves are declared by
// the drawset library; the reader creates them, hands copies to a drawing list and disposes of
// its own objects at once.
#pragma once

#include "drawset/grobj.h"

namespace vestrel_objects {

// A group of the reader's own: its block is released first, then the object.
inline void DisposeGroup(CGrObjGroup* group) {
    if (group == nullptr)
        return;
    DrawsetReleaseBlock(*group);
    delete group;
}

} // namespace vestrel_objects
