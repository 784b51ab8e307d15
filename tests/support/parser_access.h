// Reaches the parser's private readers and handlers, for tests that check them one by one.
#pragma once

#include "platform/bytes.h"
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/readers.h"

#include <cstring>

class CCmxParserTestAccess {
public:
    explicit CCmxParserTestAccess(CCmxParser& parser) : p_(parser) {}

    // Puts body into the parser's buffer as a load would, with the header characters that
    // select the readers' variant, and fresh lists.
    void SetBody(const cmxtest::Bytes& body, cmxtest::Variant variant, double coordScale = 1.0,
                 LONG left = 0, LONG bottom = 0) {
        p_.headerChunk.byteOrder[0] = variant.littleEndian ? '2' : '4';
        p_.headerChunk.coordSize[0] = variant.shortCoords ? '2' : '4';
        p_.headerChunk.versionText[0] = variant.tagged ? '2' : '1';
        byteorder::PutU32(p_.headerChunk.boundingBox + 0, static_cast<std::uint32_t>(left));
        byteorder::PutU32(p_.headerChunk.boundingBox + 12, static_cast<std::uint32_t>(bottom));
        p_.formatVersion = variant.tagged ? '2' : '1';
        p_.coordScale = coordScale;
        p_.GetMem(static_cast<unsigned long>(body.size()));
        if (!body.empty())
            std::memcpy(p_.dataBuffer, body.data(), body.size());
        if (p_.drawing == nullptr)
            p_.drawing = new CGrDrawset;
        if (p_.groupStack == nullptr)
            p_.groupStack = new CGrDrawset;
    }
    // Lets handlers read up to end as if they ran inside an instruction ending there.
    void SetInstructionEnd(DWORD end) { p_.instrEnd = end; }
    void Release() {
        p_.FreeMem();
        p_.ReleaseDrawing();
    }
    // Gives the parser a drawing of the caller's making, as a load would.
    void SetDrawing(CGrDrawset* drawing) {
        p_.ReleaseDrawing();
        p_.drawing = drawing;
    }

    DWORD pos() const { return p_.cursor.Position(); }
    void SetPos(DWORD pos) { p_.cursor.Seek(pos); }
    bool exhausted() const { return p_.cursor.Exhausted(); }
    void SetCurLayerIndex(unsigned short v) { p_.curLayerIndex = v; }
    void SetGroupDepth(unsigned short v) { p_.groupDepth = v; }
    // The fixed part of the images' budget, so that the guard can be met by small files.
    void SetImageAllowance(ULONGLONG bytes) { p_.imageAllowance = bytes; }

    // The readers whose work goes beyond the cursor's: tags, coordinates and lengths by the
    // variant, points, rectangles, matrices and strings.
    unsigned GetTag() { return p_.GetTag(); }
    DWORD GetTagSize() { return p_.GetTagSize(); }
    void OverrideTag() { p_.OverrideTag(); }
    DWORD GetLength() { return p_.GetLength(); }
    int GetString(CString* text) { return p_.GetString(text); }
    double GetCoordinate() { return p_.GetCoordinate(); }
    int GetPoint(tagDoublePoint* point) { return p_.GetPoint(point); }
    int GetRectangle(tagDoubleRect* rect) { return p_.GetRectangle(rect); }
    int GetMatrix(CMatrix* matrix) { return p_.GetMatrix(matrix); }

    unsigned char* FindChunk(const char* id) { return p_.FindChunk(id); }
    unsigned char* FindListChunk(const char* id) { return p_.FindListChunk(id); }
    const unsigned char* data() const { return p_.dataBuffer; }
    int ProcessInstr(unsigned long size, short code) { return p_.ProcessInstr(size, code); }
    int ProcessThumbNail() { return p_.ProcessThumbNail(); }
    int GetRenderingAttributes() { return p_.GetRenderingAttributes(); }
    unsigned short GetOutlineColor(unsigned short ref) { return p_.GetOutlineColor(ref); }
    int GetPointList(int fillFlag) { return p_.GetPointList(fillFlag); }
    int DoDrawChars() { return p_.DoDrawChars(); }

private:
    CCmxParser& p_;
};
