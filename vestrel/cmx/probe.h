// The library's own tests reach a parser's machinery through this one seam: it puts a body into
// the parser as a load would, runs the readers and handlers on it one at a time, and shows the
// state that a load leaves. Hosts do not get it: it is not installed.
#pragma once

#include "vestrel/cmx/cmxparser.h"

#include <cstdint>
#include <vector>

class VESTREL_API CCmxParserProbe {
public:
    explicit CCmxParserProbe(CCmxParser& parser) : parser_(parser) {}

    // Puts body into the parser's buffer as a load would, with the header characters that
    // select the readers' form, and fresh lists. form has the members littleEndian,
    // shortCoords and tagged.
    template <class Form>
    void SetBody(const std::vector<std::uint8_t>& body, const Form& form, double coordScale = 1.0,
                 LONG left = 0, LONG bottom = 0) {
        SetBody(body.data(), static_cast<DWORD>(body.size()), form.littleEndian, form.shortCoords,
                form.tagged, coordScale, left, bottom);
    }
    void SetBody(const unsigned char* body, DWORD size, bool littleEndian, bool shortCoords,
                 bool tagged, double coordScale, LONG left, LONG bottom);
    // Lets handlers read up to end as if they ran inside an instruction ending there.
    void SetInstructionEnd(DWORD end);
    // Releases the body and the lists.
    void Release();
    // Gives the parser a drawing of the caller's making, as a load would.
    void SetDrawing(CGrDrawset* drawing);
    // The fixed part of the images' budget, so that the guard can be met by small files.
    void SetImageAllowance(ULONGLONG bytes);
    void SetCurLayerIndex(unsigned short index);
    void SetGroupDepth(unsigned short depth);

    // The read position in the body.
    DWORD Position() const;
    void Seek(DWORD position);
    bool Exhausted() const;
    const unsigned char* Body() const;

    // The readers whose work goes beyond the cursor's. Tags, which untagged bodies do not have:
    unsigned GetTag();
    DWORD GetTagSize();
    void OverrideTag();
    // Lengths and coordinates by the coordinate size, and what is made of coordinates:
    DWORD GetLength();
    double GetCoordinate();
    int GetPoint(tagDoublePoint* point);
    int GetRectangle(tagDoubleRect* rect);
    int GetMatrix(CMatrix* matrix);
    // Strings, by their length word:
    int GetString(CString* text);

    // The chunk search, from the body's start and from the read position.
    unsigned char* FindChunk(const char* id);
    unsigned char* FindListChunk(const char* id);
    // The handlers, each at the read position: one instruction, the text instruction and the
    // poly-curve's points, the thumbnail, the rendering attributes and the outline table.
    int ProcessInstr(unsigned long size, short code);
    int DoDrawChars();
    int GetPointList(int fillFlag);
    int ProcessThumbNail();
    int GetRenderingAttributes();
    unsigned short GetOutlineColor(unsigned short ref);

    // What a load leaves in the parser's fields: the body's length, and the header's form and
    // scale,
    DWORD DataSize() const;
    char FormatVersion() const;
    double CoordScale() const;
    // and the walk's state, with the window a host recorded.
    unsigned short CurLayerIndex() const;
    unsigned short GroupDepth() const;
    CWnd* ClipboardOwner() const;

private:
    CCmxParser& parser_;
};
