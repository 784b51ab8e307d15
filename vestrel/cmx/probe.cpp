// The tests' seam into a parser.
#include "vestrel/cmx/probe.h"
#include "vestrel/cmx/readers.h"

#include <cstring>

void CCmxParserProbe::SetBody(const unsigned char* body, DWORD size, bool littleEndian,
                              bool shortCoords, bool tagged, double coordScale, LONG left,
                              LONG bottom) {
    CmxWalk::Of(parser_).SetBody(body, size, littleEndian, shortCoords, tagged, coordScale, left,
                                 bottom);
}

void CmxWalk::SetBody(const unsigned char* body, DWORD size, bool littleEndian, bool shortCoords,
                      bool tagged, double scale, LONG left, LONG bottom) {
    CmxHeaderChunk& header = parser_.headerChunk;
    header.byteOrder[0] = littleEndian ? '2' : '4';
    header.coordSize[0] = shortCoords ? '2' : '4';
    header.versionText[0] = tagged ? '2' : '1';
    byteorder::PutU32(header.boundingBox + 0, static_cast<std::uint32_t>(left));
    byteorder::PutU32(header.boundingBox + 12, static_cast<std::uint32_t>(bottom));
    formatVersion = tagged ? '2' : '1';
    coordScale = scale;
    GetMem(size);
    if (size != 0)
        std::memcpy(dataBuffer, body, size);
    if (drawing == nullptr)
        drawing = new CGrDrawset;
    if (groupStack == nullptr)
        groupStack = new CGrDrawset;
}

void CCmxParserProbe::SetInstructionEnd(DWORD end) {
    CmxWalk::Of(parser_).instrEnd = end;
}

void CCmxParserProbe::Release() {
    CmxWalk& walk = CmxWalk::Of(parser_);
    walk.FreeMem();
    walk.ReleaseDrawing();
}

void CCmxParserProbe::SetDrawing(CGrDrawset* drawing) {
    CmxWalk& walk = CmxWalk::Of(parser_);
    walk.ReleaseDrawing();
    walk.drawing = drawing;
}

void CCmxParserProbe::SetImageAllowance(ULONGLONG bytes) {
    CmxWalk::Of(parser_).imageAllowance = bytes;
}

void CCmxParserProbe::SetCurLayerIndex(unsigned short index) {
    CmxWalk::Of(parser_).curLayerIndex = index;
}

void CCmxParserProbe::SetGroupDepth(unsigned short depth) {
    CmxWalk::Of(parser_).groupDepth = depth;
}

DWORD CCmxParserProbe::Position() const {
    return CmxWalk::Of(parser_).cursor.Position();
}

void CCmxParserProbe::Seek(DWORD position) {
    CmxWalk::Of(parser_).cursor.Seek(position);
}

bool CCmxParserProbe::Exhausted() const {
    return CmxWalk::Of(parser_).cursor.Exhausted();
}

const unsigned char* CCmxParserProbe::Body() const {
    return CmxWalk::Of(parser_).dataBuffer;
}

unsigned CCmxParserProbe::GetTag() {
    return CmxWalk::Of(parser_).GetTag();
}

DWORD CCmxParserProbe::GetTagSize() {
    return CmxWalk::Of(parser_).GetTagSize();
}

void CCmxParserProbe::OverrideTag() {
    CmxWalk::Of(parser_).OverrideTag();
}

DWORD CCmxParserProbe::GetLength() {
    return CmxWalk::Of(parser_).GetLength();
}

int CCmxParserProbe::GetString(CString* text) {
    return CmxWalk::Of(parser_).GetString(text);
}

double CCmxParserProbe::GetCoordinate() {
    return CmxWalk::Of(parser_).GetCoordinate();
}

int CCmxParserProbe::GetPoint(tagDoublePoint* point) {
    return CmxWalk::Of(parser_).GetPoint(point);
}

int CCmxParserProbe::GetRectangle(tagDoubleRect* rect) {
    return CmxWalk::Of(parser_).GetRectangle(rect);
}

int CCmxParserProbe::GetMatrix(CMatrix* matrix) {
    return CmxWalk::Of(parser_).GetMatrix(matrix);
}

unsigned char* CCmxParserProbe::FindChunk(const char* id) {
    return CmxWalk::Of(parser_).FindChunk(id);
}

unsigned char* CCmxParserProbe::FindListChunk(const char* id) {
    return CmxWalk::Of(parser_).FindListChunk(id);
}

int CCmxParserProbe::ProcessInstr(unsigned long size, short code) {
    return CmxWalk::Of(parser_).ProcessInstr(size, code);
}

int CCmxParserProbe::ProcessThumbNail() {
    return CmxWalk::Of(parser_).ProcessThumbNail();
}

int CCmxParserProbe::GetRenderingAttributes() {
    return CmxWalk::Of(parser_).GetRenderingAttributes();
}

unsigned short CCmxParserProbe::GetOutlineColor(unsigned short ref) {
    return CmxWalk::Of(parser_).GetOutlineColor(ref);
}

int CCmxParserProbe::GetPointList(int fillFlag) {
    return CmxWalk::Of(parser_).GetPointList(fillFlag);
}

int CCmxParserProbe::DoDrawChars() {
    return CmxWalk::Of(parser_).DoDrawChars();
}

DWORD CCmxParserProbe::DataSize() const {
    return CmxWalk::Of(parser_).dataSize;
}

unsigned short CCmxParserProbe::CurLayerIndex() const {
    return CmxWalk::Of(parser_).curLayerIndex;
}

unsigned short CCmxParserProbe::GroupDepth() const {
    return CmxWalk::Of(parser_).groupDepth;
}

double CCmxParserProbe::CoordScale() const {
    return CmxWalk::Of(parser_).coordScale;
}

char CCmxParserProbe::FormatVersion() const {
    return CmxWalk::Of(parser_).formatVersion;
}

CWnd* CCmxParserProbe::ClipboardOwner() const {
    return CmxWalk::Of(parser_).ClipboardOwner();
}
