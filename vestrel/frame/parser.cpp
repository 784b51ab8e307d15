// The parser's life cycle.
#include "vestrel/cmx/cmxparser.h"

#include "platform/exceptions.h"

CCmxParser::CCmxParser() = default;

CCmxParser::~CCmxParser() {
    FreeOleBlocks();
    ReleaseDrawing();
    // Every load releases the body before it returns; one that an exception interrupted
    // leaves it for the parser's end.
    FreeMem();
}

bool CCmxParser::HoldsResources() const {
    return dataBuffer != nullptr || drawing != nullptr || groupStack != nullptr ||
           oleBuffer != nullptr || (dropBuffer != nullptr && dropBufferOwned == 1);
}

// The owned pointers are all null here, so only plain values and borrowed pointers are copied.
void CCmxParser::CopyFields(const CCmxParser& other) {
    fileName = other.fileName;
    cursor = other.cursor;
    oleBlockSize = other.oleBlockSize;
    oleBlockCount = other.oleBlockCount;
    oleDataSize = other.oleDataSize;
    dataSize = other.dataSize;
    clipboardOwner = other.clipboardOwner;
    curLayerIndex = other.curLayerIndex;
    groupDepth = other.groupDepth;
    coordScale = other.coordScale;
    formatVersion = other.formatVersion;
    rectanglesAndTransforms = other.rectanglesAndTransforms;
    pageNumber = other.pageNumber;
    readAppearance = other.readAppearance;
    stopRecord = other.stopRecord;
    dropBlockSize = other.dropBlockSize;
    dropBlockFill = other.dropBlockFill;
    dropBufferOwned = other.dropBufferOwned;
    dropBuffer = other.dropBuffer;
    heldBlockSize = other.heldBlockSize;
}

CCmxParser::CCmxParser(const CCmxParser& other) : CCmxHeader(other) {
    if (other.HoldsResources())
        AfxThrowNotSupportedException("a parser that holds buffers or lists cannot be copied");
    CopyFields(other);
}

CCmxParser& CCmxParser::operator=(const CCmxParser& other) {
    if (this == &other)
        return *this;
    if (HoldsResources() || other.HoldsResources())
        AfxThrowNotSupportedException("a parser that holds buffers or lists cannot be copied");
    CCmxHeader::operator=(other);
    CopyFields(other);
    return *this;
}

void CCmxParser::SetClipboardOwnerWnd(CWnd* window) {
    clipboardOwner = window;
}

int CCmxParser::SetFrameSize(unsigned long width, unsigned long height) {
    // Without a drawing there is nothing to size.
    if (drawing != nullptr)
        drawing->SetFrameSize(width, height);
    return 1;
}

void CCmxParser::ReleaseDrawing() {
    delete groupStack;
    groupStack = nullptr;
    delete drawing;
    drawing = nullptr;
}

CGrDrawset* CCmxParser::DetachDrawing() {
    CGrDrawset* detached = drawing;
    drawing = nullptr;
    ReleaseDrawing();
    return detached;
}
