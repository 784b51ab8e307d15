// The parser's life cycle, and what hosts ask of its own state.
#include "vestrel/cmx/walk.h"

#include "platform/exceptions.h"

CCmxParser::CCmxParser() : walk_(std::make_unique<CmxWalk>(*this)) {}

CCmxParser::~CCmxParser() {
    FreeOleBlocks();
    walk_->ReleaseDrawing();
    // Every load releases the body before it returns; one that an exception interrupted
    // leaves it for the parser's end.
    walk_->FreeMem();
}

bool CmxWalk::HoldsResources() const {
    return dataBuffer != nullptr || drawing != nullptr || groupStack != nullptr ||
           parser_.oleBuffer != nullptr ||
           (parser_.dropBuffer != nullptr && parser_.dropBufferOwned == 1);
}

CCmxParser::CCmxParser(const CCmxParser& other) : CCmxParser() {
    *this = other;
}

CCmxParser& CCmxParser::operator=(const CCmxParser& other) {
    if (this == &other)
        return *this;
    if (walk_->HoldsResources() || other.walk_->HoldsResources())
        AfxThrowNotSupportedException("a parser that holds buffers or lists cannot be copied");
    // Nothing owned is held on either side: every field is a plain value or a borrowed
    // pointer, and of the parser's own state only the options and the account of the last
    // load go along.
    CCmxHeader::operator=(other);
    fileName = other.fileName;
    oleBlockSize = other.oleBlockSize;
    oleBlockCount = other.oleBlockCount;
    oleDataSize = other.oleDataSize;
    dataSize = other.dataSize;
    clipboardOwner = other.clipboardOwner;
    curLayerIndex = other.curLayerIndex;
    groupDepth = other.groupDepth;
    coordScale = other.coordScale;
    formatVersion = other.formatVersion;
    dropBlockSize = other.dropBlockSize;
    dropBlockFill = other.dropBlockFill;
    dropBufferOwned = other.dropBufferOwned;
    dropBuffer = other.dropBuffer;
    static_cast<CmxParserOptions&>(*walk_) = *other.walk_;
    return *this;
}

CmxWalk::CmxWalk(CCmxParser& parser)
    : parser_(parser), dataBuffer(parser.dataBuffer), dataSize(parser.dataSize),
      drawing(parser.drawing), groupStack(parser.groupStack), curLayerIndex(parser.curLayerIndex),
      groupDepth(parser.groupDepth), coordScale(parser.coordScale),
      formatVersion(parser.formatVersion), cursor(&parser.dataBuffer, &parser.dataSize, true) {}

CmxWalk::~CmxWalk() = default;

void CCmxParser::SetClipboardOwnerWnd(CWnd* window) {
    clipboardOwner = window;
}

int CCmxParser::SetFrameSize(unsigned long width, unsigned long height) {
    // Without a drawing there is nothing to size.
    if (drawing != nullptr)
        drawing->SetFrameSize(width, height);
    return 1;
}

const CCmxStopRecord& CCmxParser::GetStopRecord() const {
    return walk_->stopRecord;
}

void CCmxParser::SetRectanglesAndTransforms(bool on) {
    walk_->rectanglesAndTransforms = on;
}

void CCmxParser::SetReadAppearance(bool on) {
    walk_->readAppearance = on;
}

const CCmxAppearances& CCmxParser::GetAppearances() const {
    return walk_->appearances;
}

void CCmxParser::TakeAppearances(CCmxAppearances* into) {
    *into = std::move(walk_->appearances);
}

void CCmxParser::SetPage(unsigned long page) {
    walk_->pageNumber = page != 0 ? page : 1;
}

unsigned long CCmxParser::GetPage() const {
    return walk_->pageNumber;
}

DWORD CCmxParser::GetBodyStart() const {
    return walk_->bodyStart;
}

void CmxWalk::ReleaseDrawing() {
    delete groupStack;
    groupStack = nullptr;
    delete drawing;
    drawing = nullptr;
}

CGrDrawset* CCmxParser::DetachDrawing() {
    CGrDrawset* detached = drawing;
    drawing = nullptr;
    walk_->ReleaseDrawing();
    return detached;
}
