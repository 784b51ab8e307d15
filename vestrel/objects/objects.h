// The graphic object records as the reader uses them. The records themselves are declared by
// the drawset library; the reader creates them, hands copies to a drawing list and disposes of
// its own objects at once.
#pragma once

#include "drawset/grobj.h"

namespace vestrel_objects {

// A group or bitmap of the reader's own: its block is released first, then the object.
inline void DisposeGroup(CGrObjGroup* group) {
    if (group == nullptr)
        return;
    ::operator delete(group->data);
    group->data = nullptr;
    delete group;
}

inline void DisposeBitmap(CGrObjBitmap* bitmap) {
    if (bitmap == nullptr)
        return;
    ::operator delete(bitmap->data);
    bitmap->data = nullptr;
    delete bitmap;
}

// A path's destructor releases its Bef block.
inline void DisposePath(CGrObjSimple* path) {
    delete path;
}

} // namespace vestrel_objects
