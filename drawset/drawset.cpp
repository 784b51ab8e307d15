// The drawing list: copies of the objects it receives, and their release.
#include "drawset/grobj.h"

#include <cstring>

namespace {

template <class T> T* CloneAs(const CGrObj& object) {
    T* copy = new T;
    const T& source = static_cast<const T&>(object);
    // Field by field as assignment does, then a block of the copy's own.
    copy->T::operator=(source);
    copy->data = nullptr;
    if (object.data != nullptr) {
        copy->data = static_cast<unsigned char*>(::operator new(object.size));
        if (object.size > 0)
            std::memcpy(copy->data, object.data, object.size);
    }
    if constexpr (std::is_same_v<T, CGrObjGroup> || std::is_same_v<T, CGrObjSimple>)
        copy->capacity = copy->data != nullptr ? copy->size : 0;
    return copy;
}

} // namespace

CGrObj* DrawsetCloneObject(const CGrObj& object) {
    switch (object.objClass) {
    case GrObjClass::simple:
        return CloneAs<CGrObjSimple>(object);
    case GrObjClass::group:
        return CloneAs<CGrObjGroup>(object);
    case GrObjClass::bitmap:
        return CloneAs<CGrObjBitmap>(object);
    case GrObjClass::object:
        break;
    }
    return CloneAs<CGrObj>(object);
}

void DrawsetDeleteObject(CGrObj* object) {
    if (object == nullptr)
        return;
    switch (object->objClass) {
    case GrObjClass::simple:
        delete static_cast<CGrObjSimple*>(object);
        return;
    case GrObjClass::group:
        delete static_cast<CGrObjGroup*>(object);
        return;
    case GrObjClass::bitmap:
        delete static_cast<CGrObjBitmap*>(object);
        return;
    case GrObjClass::object:
        break;
    }
    delete object;
}

CGrDrawset::~CGrDrawset() {
    POSITION position = GetHeadPosition();
    while (position != nullptr)
        DrawsetDeleteObject(static_cast<CGrObj*>(GetNext(position)));
    RemoveAll();
    delete thumbnail;
    thumbnail = nullptr;
}

POSITION CGrDrawset::AddObjTail(CGrObj* object) {
    if (object == nullptr)
        return nullptr;
    CGrObj* copy = DrawsetCloneObject(*object);
    try {
        return AddTail(copy);
    } catch (...) {
        DrawsetDeleteObject(copy);
        throw;
    }
}

POSITION CGrDrawset::AddObjHead(CGrObj* object) {
    if (object == nullptr)
        return nullptr;
    CGrObj* copy = DrawsetCloneObject(*object);
    try {
        return AddHead(copy);
    } catch (...) {
        DrawsetDeleteObject(copy);
        throw;
    }
}

POSITION CGrDrawset::InsertObjAfter(POSITION position, CGrObj* object) {
    if (object == nullptr)
        return nullptr;
    CGrObj* copy = DrawsetCloneObject(*object);
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
