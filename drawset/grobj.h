// The graphic object records and the drawing list, shared by the drawset library and the
// libraries that fill it. The members defined here are the inline ones; the others live in the
// drawset library.
#pragma once

#include "drawset/api.h"
#include "platform/afx.h"
#include "platform/gdi.h"

#include <new>

class CGrObj;

// Where a record and its data block live. A drawing list keeps its copies in pieces of storage
// that it allocates in large steps; every other record and block comes from operator new. A
// record's flags travel with it: assignment moves the block flag along with the block.
constexpr unsigned char GROBJ_RECORD_IN_PIECE = 1;
constexpr unsigned char GROBJ_BLOCK_IN_PIECE = 2;

// Releases an object's data block wherever it lives and sets data to null. Everything that
// releases a record's block goes through here, never through operator delete, since a list's
// copies keep their blocks in the list's pieces.
DRAWSET_API void DrawsetReleaseBlock(CGrObj& object);
// Lets to refer to from's data block in place of its own, which it releases.
DRAWSET_API void DrawsetShareBlock(CGrObj& to, const CGrObj& from);
// Releases an object's transformation, which then reads as the identity.
DRAWSET_API void DrawsetReleaseMatrix(CGrObj& object);

struct tagDoublePoint {
    double x;
    double y;
};

// Four doubles in the order in which a CMX rectangle stores them.
struct tagDoubleRect {
    double left;
    double top;
    double right;
    double bottom;
};

// The four linear factors, then the horizontal and vertical translation.
class CMatrix {
public:
    double m11 = 1.0;
    double m12 = 0.0;
    double m21 = 0.0;
    double m22 = 1.0;
    double dx = 0.0;
    double dy = 0.0;
};

// What an object without a transformation of its own reads.
inline constexpr CMatrix kGrObjIdentity{};

// Kind codes. The default constructors give the first three; 6 marks the group that gathers
// the pieces of a shape with several sub-paths.
constexpr int GROBJ_TYPE_SIMPLE = 1;
constexpr int GROBJ_TYPE_GROUP = 2;
constexpr int GROBJ_TYPE_BITMAP = 3;
constexpr int GROBJ_TYPE_SPLIT_GROUP = 6;

// The class of a record, which its constructor fixes; the kind code alone cannot tell it, since
// a group may carry any code.
enum class GrObjClass : unsigned char { object = 0, simple = 1, group = 2, bitmap = 3 };

class DRAWSET_RECORD_API CGrObj {
public:
    CGrObj();
    explicit CGrObj(int kind);
    CGrObj(int kind, int aux);
    CGrObj(const CGrObj&) = delete;
    ~CGrObj();

    // A record is released where it lives: the destroying delete reads the record's flags and
    // class before the destructor of that class runs, for a record of any class. Records made
    // by new come from the global operator new.
    void* operator new(std::size_t size);
    void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept;
    void operator delete(CGrObj* object, std::destroying_delete_t);
    // Only for a constructor that throws.
    void operator delete(void* storage);

    // Copies every field but the class, which stays the record's own as it tells delete which
    // destructor runs; the transformation is copied, not shared. The data block is not
    // duplicated: both objects then refer to the same block. A block from operator new only one
    // of them may keep (the other sets its data to null before it goes); a block in a list's
    // piece both may keep, each holding the piece.
    CGrObj& operator=(const CGrObj& other);

    int GetType() const;
    unsigned long GetSize() const;
    unsigned char* GetData() const;

    // Copies the transformation into the object; the identity takes no storage.
    void SetMatrix(const CMatrix* transformation);
    const CMatrix& GetMatrix() const { return matrix != nullptr ? *matrix : kGrObjIdentity; }
    GrObjClass GetClass() const { return objClass; }

    unsigned char* data = nullptr;
    DWORD size = 0;
    int type = 0;
    int auxInt = 0;
    LONG auxLong = 0;
    GrObjClass objClass = GrObjClass::object;
    unsigned char storage = 0; // GROBJ_RECORD_IN_PIECE, GROBJ_BLOCK_IN_PIECE
    // Two fields of the kinds, kept where the record would otherwise leave room unused in front
    // of its transformation, which makes a path's record a tenth smaller: a path's layer index,
    // and the bytes allocated for a path's or a group's data block, of which size are in use.
    unsigned short layerIndex = 0xFFFF;
    DWORD capacity = 0;
    // The transformation, held apart from the record and only when it is not the identity: most
    // objects have none, and a drawing's records are many.
    CMatrix* matrix = nullptr;
    tagDoubleRect bounds = {0.0, 0.0, 0.0, 0.0};
};

// A path. Its data block, the Bef block, holds the node letters and the points.
class DRAWSET_RECORD_API CGrObjSimple : public CGrObj {
public:
    CGrObjSimple();
    explicit CGrObjSimple(long value);
    ~CGrObjSimple();

    CGrObjSimple& operator=(const CGrObjSimple& other);

    void SetLayerIndex(unsigned short index);
    unsigned short GetLayerIndex() const { return layerIndex; }

    // Builds the Bef block from n letters and n points, replacing any block held before.
    // Returns 1, or 0 when n is too large for a block.
    int BuildBefBlock(const unsigned char* letters, const tagDoublePoint* points, unsigned long n);

    unsigned long GetBefBlock(unsigned char** out);

    // Reads the Bef block back: the number of points, and the letter and point of index i.
    unsigned long GetPointCount() const;
    unsigned char GetLetter(unsigned long i) const;
    tagDoublePoint GetPoint(unsigned long i) const;
};

// A group. Its data block lists the 1-based positions of its members in the drawing list.
class DRAWSET_RECORD_API CGrObjGroup : public CGrObj {
public:
    CGrObjGroup();
    explicit CGrObjGroup(long value);
    explicit CGrObjGroup(unsigned short kind);
    ~CGrObjGroup();

    CGrObjGroup& operator=(const CGrObjGroup& other);

    // Records a member by its 1-based position in the drawing list. Returns 1, or 0 when the
    // group cannot hold another member.
    int AddObject(unsigned long position);
    unsigned long GetMemberCount() const;
    unsigned long GetMember(unsigned long i) const;

    LONG groupExtra1 = 0;
};

// A bitmap: a packed device-independent bitmap, or the thumbnail block of a drawing.
class DRAWSET_RECORD_API CGrObjBitmap : public CGrObj {
public:
    CGrObjBitmap();
    explicit CGrObjBitmap(long value);
    ~CGrObjBitmap();

    CGrObjBitmap& operator=(const CGrObjBitmap& other);

    // Allocates a block of n bytes for an object that holds none.
    unsigned char* GetMem(unsigned long n);
};

// The drawing's colours, 0x00BBGGRR, by 0-based index.
class DRAWSET_RECORD_API CGrObjColorMap {
public:
    CGrObjColorMap();
    CGrObjColorMap(const CGrObjColorMap&) = delete;
    ~CGrObjColorMap();

    // Copies every field; the table is shared as for the records' blocks.
    CGrObjColorMap& operator=(const CGrObjColorMap& other);

    // A table of n entries, all 0, in place of any table held before. Returns 1.
    int CreateColorMap(unsigned short n);
    // Stores a colour at a 0-based index; returns 1, or 0 for an index outside the table.
    int SetColor(unsigned short index, unsigned long color);
    // The colour at a 0-based index, 0 outside the table.
    unsigned long GetColor(unsigned short index) const;
    // The colour that a 1-based colour reference names; FALSE when it names none.
    BOOL LookupReference(unsigned short reference, unsigned long* color) const;

    DWORD* colors;
    WORD auxWord = 0;
    WORD colorCount;
};

// The drawing list: it owns the objects its elements point to, the colour map and the
// thumbnail. Objects join it by copy.
class DRAWSET_RECORD_API CGrDrawset : public CPtrList {
public:
    CGrDrawset();
    explicit CGrDrawset(CString drawingName);
    ~CGrDrawset() override;

    void CreateClipArt();

    // Each adds a copy of object, data block included; the caller keeps and destroys its own.
    POSITION AddObjTail(CGrObj* object);
    POSITION AddObjHead(CGrObj* object);
    POSITION InsertObjAfter(POSITION position, CGrObj* object);

    // The object at a position, and the object of a 1-based position (null outside the list).
    CGrObj* GetObjAt(POSITION position) const { return static_cast<CGrObj*>(GetAt(position)); }
    CGrObj* GetObjByNumber(long number) const;

    // The host's frame size, in drawing units.
    void SetFrameSize(unsigned long width, unsigned long height);

    // Draws the thumbnail block as a 128 x 128 picture with its top-left corner at the point.
    // Draws nothing without a thumbnail, for a damaged block, or for a block without colours.
    void ShowThumbNail(CDC* dc, CPoint at);

    // Writes the drawing as a job file. The job goes to a temporary file beside path first,
    // which then takes path's place, so a failure (raised as CFileException) leaves whatever
    // stood at path as it was. The drawing is not changed either way.
    void CreateJobFile(CString path) const;
    // The job's length in bytes, and the job itself, the same bytes as the file, written to the
    // buffer that *buffer points to, which holds at least that many; *buffer is not changed.
    unsigned long GetOleBlockSize() const;
    void GetOleBlockData(unsigned char** buffer) const;
    // A new drawing, owned by the caller, read from a job file or from a job in memory. A
    // damaged or foreign job raises CFileException with the cause invalidFile.
    static CGrDrawset* ReadJobFile(CString path);
    static CGrDrawset* ReadJobData(const unsigned char* bytes, unsigned long size);

    DWORD extra1 = 0;
    CGrObjColorMap colorMap;
    CGrObjBitmap* thumbnail = nullptr;
    double frameWidth = 0.0;
    double frameHeight = 0.0;
    DWORD extra2 = 0;
    CString name;
    DWORD extra3 = 0;
    DWORD extra4 = 0;
    // The piece that receives the list's next copies; the drawset library's.
    void* copies = nullptr;
};

// The records' inline members. They are defined outside their classes so that a library that
// exports the classes builds and exports them too.

inline CGrObj::CGrObj() {}
inline CGrObj::CGrObj(int kind) : type(kind) {}
inline CGrObj::CGrObj(int kind, int aux) : type(kind), auxInt(aux) {}

inline CGrObj::~CGrObj() {
    if (data != nullptr)
        DrawsetReleaseBlock(*this);
    if (matrix != nullptr)
        DrawsetReleaseMatrix(*this);
}

// The transformation is copied, not shared, and first, so that a copy that cannot be had
// leaves the target as it was.
inline CGrObj& CGrObj::operator=(const CGrObj& other) {
    if (this != &other) {
        SetMatrix(&other.GetMatrix());
        if (data != other.data)
            DrawsetShareBlock(*this, other);
        size = other.size;
        type = other.type;
        auxInt = other.auxInt;
        auxLong = other.auxLong;
        layerIndex = other.layerIndex;
        capacity = other.capacity;
        bounds = other.bounds;
    }
    return *this;
}

inline int CGrObj::GetType() const {
    return type;
}
inline unsigned long CGrObj::GetSize() const {
    return size;
}
inline unsigned char* CGrObj::GetData() const {
    return data;
}

inline CGrObjSimple::CGrObjSimple(long value) : CGrObjSimple() {
    auxLong = static_cast<LONG>(value);
}

inline CGrObjSimple& CGrObjSimple::operator=(const CGrObjSimple& other) {
    CGrObj::operator=(other);
    return *this;
}

inline unsigned long CGrObjSimple::GetBefBlock(unsigned char** out) {
    *out = data;
    return size;
}

inline CGrObjGroup::~CGrObjGroup() {
    if (data != nullptr)
        DrawsetReleaseBlock(*this);
    data = nullptr;
}

inline CGrObjGroup::CGrObjGroup(long value) : CGrObjGroup() {
    auxLong = static_cast<LONG>(value);
}

inline CGrObjGroup::CGrObjGroup(unsigned short kind) {
    objClass = GrObjClass::group;
    groupExtra1 = 0;
    type = kind;
}

inline CGrObjGroup& CGrObjGroup::operator=(const CGrObjGroup& other) {
    CGrObj::operator=(other);
    groupExtra1 = other.groupExtra1;
    return *this;
}

inline CGrObjBitmap::~CGrObjBitmap() {
    if (data != nullptr)
        DrawsetReleaseBlock(*this);
}

inline CGrObjBitmap::CGrObjBitmap(long value) : CGrObjBitmap() {
    auxLong = static_cast<LONG>(value);
}

inline CGrObjBitmap& CGrObjBitmap::operator=(const CGrObjBitmap& other) {
    CGrObj::operator=(other);
    return *this;
}

inline unsigned char* CGrObjBitmap::GetMem(unsigned long n) {
    data = static_cast<unsigned char*>(::operator new(n));
    size = static_cast<DWORD>(n);
    storage &= static_cast<unsigned char>(~GROBJ_BLOCK_IN_PIECE);
    return data;
}

inline CGrObjColorMap::CGrObjColorMap() : colors(nullptr), colorCount(0) {}

inline CGrObjColorMap::~CGrObjColorMap() {
    if (colors != nullptr)
        ::operator delete(colors);
}

inline CGrObjColorMap& CGrObjColorMap::operator=(const CGrObjColorMap& other) {
    if (this != &other) {
        if (colors != nullptr && colors != other.colors)
            ::operator delete(colors);
        colors = other.colors;
        auxWord = other.auxWord;
        colorCount = other.colorCount;
    }
    return *this;
}

inline CGrDrawset::CGrDrawset() : CPtrList(64), thumbnail(new (std::nothrow) CGrObjBitmap) {}
inline CGrDrawset::CGrDrawset(CString drawingName) : CPtrList(64), name(drawingName) {}
inline void CGrDrawset::CreateClipArt() {}

// Destroys an object made by the drawset library's constructors, by its class.
DRAWSET_API void DrawsetDeleteObject(CGrObj* object);

// Starts the library; the host calls it once. Returns 1.
extern "C" DRAWSET_API int WINAPI InitDrawsetDLL();
