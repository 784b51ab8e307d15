// The drawing list: copies of the objects it receives, and their release.
#include "drawset/grobj.h"

#include "drawset/storage.h"

using drawset_storage::CloneIntoPieces;

void DrawsetDeleteObject(CGrObj* object) {
    delete object;
}

CGrDrawset::~CGrDrawset() {
    POSITION position = GetHeadPosition();
    while (position != nullptr)
        DrawsetDeleteObject(static_cast<CGrObj*>(GetNext(position)));
    RemoveAll();
    drawset_storage::ReleaseCopies(&copies);
    delete thumbnail;
    thumbnail = nullptr;
}

namespace {

// A copy of object in the list's pieces, handed to add (AddTail or AddHead), which may throw:
// the copy then goes again.
template <typename Add>
POSITION AddCopy(CGrObj* object, void** copies, std::size_t count, Add add) {
    if (object == nullptr)
        return nullptr;
    CGrObj* copy = CloneIntoPieces(*object, copies, count);
    try {
        return add(copy);
    } catch (...) {
        DrawsetDeleteObject(copy);
        throw;
    }
}

} // namespace

POSITION CGrDrawset::AddObjTail(CGrObj* object) {
    return AddCopy(object, &copies, static_cast<std::size_t>(GetCount()),
                   [this](CGrObj* copy) { return AddTail(copy); });
}

POSITION CGrDrawset::AddObjHead(CGrObj* object) {
    return AddCopy(object, &copies, static_cast<std::size_t>(GetCount()),
                   [this](CGrObj* copy) { return AddHead(copy); });
}

POSITION CGrDrawset::InsertObjAfter(POSITION position, CGrObj* object) {
    if (object == nullptr)
        return nullptr;
    CGrObj* copy = CloneIntoPieces(*object, &copies, static_cast<std::size_t>(GetCount()));
    try {
        return InsertAfter(position, copy);
    } catch (...) {
        DrawsetDeleteObject(copy);
        throw;
    }
}

CGrObj* CGrDrawset::GetObjByNumber(long number) const {
    if (number < 1 || number > GetCount())
        return nullptr;
    return static_cast<CGrObj*>(GetAt(FindIndex(static_cast<int>(number - 1))));
}

void CGrDrawset::SetFrameSize(unsigned long width, unsigned long height) {
    frameWidth = static_cast<double>(width);
    frameHeight = static_cast<double>(height);
}

extern "C" int WINAPI InitDrawsetDLL() {
    return 1;
}
