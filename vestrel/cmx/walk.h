// The parser's own state and machinery, which hosts never see: the walk over a body and what it
// builds up, the body's caches, the working storage, and the options that copies take along.
#pragma once

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/cmx/cursor.h"

#include <cstddef>
#include <initializer_list>
#include <map>
#include <vector>

// What a copy of a parser takes along: the options and the account of the last load.
struct CmxParserOptions {
    bool rectanglesAndTransforms = true;
    bool readAppearance = false;
    unsigned long pageNumber = 1;
    CCmxStopRecord stopRecord;
    // The block size that the outgoing blocks held were cut with.
    LONG heldBlockSize = 0;
};

class CmxWalk : public CmxParserOptions {
public:
    explicit CmxWalk(CCmxParser& parser);
    ~CmxWalk();
    CmxWalk(const CmxWalk&) = delete;
    CmxWalk& operator=(const CmxWalk&) = delete;
    // The walk of a parser: the one way into it, for the library's own code.
    static CmxWalk& Of(CCmxParser& parser) { return *parser.walk_; }

    // Puts a body of the form given into the buffer as a load would, with fresh lists: for the
    // tests' seam, which runs the readers and handlers on it one by one.
    void SetBody(const unsigned char* body, DWORD size, bool littleEndian, bool shortCoords,
                 bool tagged, double scale, LONG left, LONG bottom);

    // The header that the last load read.
    LONG GetBoundLeft() const { return parser_.GetBoundLeft(); }
    LONG GetBoundTop() const { return parser_.GetBoundTop(); }
    LONG GetBoundRight() const { return parser_.GetBoundRight(); }
    LONG GetBoundBottom() const { return parser_.GetBoundBottom(); }
    CWnd* ClipboardOwner() const { return parser_.clipboardOwner; }

    // Which interpretation steps a load runs, and in which order.
    enum class LoadOrder { thumbnailFirst, thumbnailLast, withoutThumbnail };

    // The load proper, over any readable stream: header, body buffer (unpacked when the file
    // is compressed and lists are created), fresh lists and walk state. Starts the stop
    // record. Returns the body length, 0 when the stream holds no CMX image with a body (no
    // lists are created then). A compressed body that cannot be unpacked shows message 3
    // when packMessage is set; the roads that show no messages of their own clear it.
    DWORD ReadCmxImage(CFile* stream, bool createLists, DWORD* headerBytes = nullptr,
                       bool packMessage = true);
    // The same for the file at path: 0 also when it cannot be opened, with message 1 when
    // openMessage is set.
    DWORD ReadCmxFile(const CString& path, bool createLists, bool openMessage,
                      DWORD* headerBytes = nullptr);
    // Opens the file at path for reading; when it cannot be, starts the stop record with that
    // and shows message 1 if openMessage is set.
    bool OpenCmxFile(const CString& path, CFile* file, bool openMessage);
    // Replaces a compressed body by its unpacked chunks; false when they cannot be had.
    bool UnpackBody();
    // Starts the state that a load's walk builds up afresh: colour reference, group depth and
    // global transforms.
    void ResetWalkState();
    void InterpretBody(LoadOrder order, DWORD bodyLength);
    // What every load does once the body is read: the interpretation, the body's release and
    // the frame size. Returns 1, or 0 for a load that read no body.
    int FinishLoad(LoadOrder order, DWORD bodyLength);
    int InspectStream(CFile* stream, CCmxFileInfo* info);
    void SetDrawingFrame();
    void ReleaseDrawing();
    bool HoldsResources() const;

    // Body buffer and chunk search
    unsigned long GetMem(unsigned long size);
    int FreeMem();
    unsigned char* FindChunk(const char* id);
    unsigned char* FindListChunk(const char* id);
    unsigned char* SearchBody(const char* id, DWORD from) const;
    void ForgetBodyCaches();
    int ProcessPage(unsigned long length);
    // Walks the page chunks: the first is the first "page" id anywhere, each next one the first
    // behind the end that the chunk before states. Stops at page wanted (0: walks them all),
    // which it puts into found, and returns the number of pages walked.
    unsigned long WalkPages(unsigned long wanted, unsigned char** found);
    long CountStreamPages(CFile* stream);

    // Value readers, at the cursor
    unsigned char GetByte();
    unsigned char GetTag();
    DWORD GetTagSize();
    void OverrideTag();
    DWORD GetBlock(void* destination, DWORD count);
    WORD GetWord();
    WORD GetCount();
    short GetInteger();
    DWORD GetDWord();
    int GetInt32();
    DWORD GetOffset();
    DWORD GetLength();
    double GetDouble();
    int GetString(CString* text);
    double GetCoordinate();
    int GetPoint(tagDoublePoint* point);
    int GetRectangle(tagDoubleRect* rect);
    int GetMatrix(CMatrix* matrix);
    // A coordinate in file units, unscaled.
    double GetFileCoordinate();
    // A matrix in file units, as GetMatrix reads it before the move to the drawing's origin;
    // returns its type.
    WORD GetFileMatrix(CMatrix* matrix);
    bool LittleEndian() const { return parser_.GetByteOrderChar() == '2'; }
    bool ShortCoordinates() const { return parser_.GetCoordSizeChar() == '2'; }
    bool Tagged() const { return formatVersion == '2'; }
    DWORD Offset(const unsigned char* at) const { return static_cast<DWORD>(at - dataBuffer); }
    // Offsets inside CMX data (jump targets, the image index, the page index) are file
    // offsets; these two are the only translation between them and the body buffer. A file
    // offset in front of the body, or whose buffer offset needs more than 32 bits, becomes
    // kOutsideBody, past every page and table.
    static constexpr DWORD kOutsideBody = 0xFFFFFFFF;
    DWORD BufferOffset(ULONGLONG fileOffset) const {
        return fileOffset >= bodyStart && fileOffset - bodyStart < kOutsideBody
                   ? static_cast<DWORD>(fileOffset - bodyStart)
                   : kOutsideBody;
    }
    DWORD FileOffset(DWORD bufferOffset) const { return bodyStart + bufferOffset; }
    // Where the body starts in a stream of length bytes whose header has been read.
    DWORD BodyStartIn(ULONGLONG length) const;
    class TaggedRecord;
    // While it lives, the readers read a table elsewhere in the body through a cursor of its
    // own, limited by the body's end; the walk's cursor is back as it was when it goes, so a
    // table that runs short does not end the walk.
    class TableScope {
    public:
        TableScope(CmxWalk& parser, DWORD at)
            : parser_(parser), walk_(parser.cursor), record_(parser.openRecord) {
            parser.cursor = walk_.At(at);
            // Damage in a table ends the table, not the record that asked for it.
            parser.openRecord = nullptr;
        }
        ~TableScope() {
            parser_.cursor = walk_;
            parser_.openRecord = record_;
        }
        TableScope(const TableScope&) = delete;
        TableScope& operator=(const TableScope&) = delete;

    private:
        CmxWalk& parser_;
        CmxCursor walk_;
        TaggedRecord* record_;
    };
    // A record of tagged fields, read by their ids: Next() moves to the next field and, while
    // it is read, limits the cursor to the field's stated end; the record goes on at that end
    // whatever was read, so a field that a writer adds or moves shifts nothing behind it. The
    // record ends at its end tag, or at its own end (end, or the cursor's limit when 0). A
    // field whose size cannot hold the tag header or that passes the record's end is damage,
    // which ends the reading as a read past the limit does. The field unboundId (the rendering
    // attributes, which writers size short) reads on past its stated end, which then only ever
    // moves the reading forward. Untagged files have no ids: the fields are those of order, one
    // behind the other.
    class TaggedRecord {
    public:
        TaggedRecord(CmxWalk& parser, std::initializer_list<unsigned char> order, DWORD end = 0,
                     unsigned char unboundId = 0);
        ~TaggedRecord() {
            Close();
            parser_.openRecord = parent_;
        }
        TaggedRecord(const TaggedRecord&) = delete;
        TaggedRecord& operator=(const TaggedRecord&) = delete;
        bool Next();
        unsigned char Id() const { return id_; }

    private:
        void Close();
        DWORD RecordEnd() const;
        bool Damaged();
        CmxWalk& parser_;
        unsigned char order_[4] = {};
        std::size_t count_ = 0;
        std::size_t index_ = 0;
        DWORD end_;
        unsigned char unboundId_;
        bool unboundPending_; // until its field has been read
        unsigned char id_ = 0;
        bool open_ = false;
        bool unbound_ = false;
        bool done_ = false;
        // Damage inside the open field, found by a record read within it: restoring the
        // record's own cursor must not forget it.
        bool nestedDamage_ = false;
        TaggedRecord* parent_; // the record whose field this one is read in, if any
        CmxCursor outer_;
        ULONGLONG statedEnd_ = 0;
    };
    // The rendering attributes, read on from the open field of a shape's operands: their
    // result.
    int ReadAttributeGroup();

    // Page walk and handlers
    int ProcessPageInstr(unsigned long end);
    int ProcessInstr(unsigned long size, short code);
    int DoBeginPage();
    int DoBeginLayer();
    int DoBeginGroup();
    int DoEndGroup();
    int DoJumpAbsolut();
    int DoPolyCurve();
    int DoDrawImage();
    int DoDrawChars();
    int DoRectangle();
    int DoAddGlobalTransform();
    int DoRestoreGlobalTransform();
    // The group that is open at the top level, or null.
    CGrObjGroup* OpenGroup() const;

    // Colour tables and rendering attributes
    int ProcessColorMap();
    int GetRenderingAttributes();
    int GetFillSpec();
    int GetOutlineSpec(int hasFill);
    unsigned short GetOutlineColor(unsigned short ref);
    int GetUniformFill();
    int GetFountainFill();
    int GetPostscriptFill();
    int GetTwoColorPatternFill();
    int GetFullColorBitmapFill();
    int GetTextureFill();
    int GetLensSpec();
    int GetCanvasSpec();
    int GetContainerSpec();
    void SkipTaggedFields();
    // The outline of outline table entry ref into the shape's appearance.
    void ReadOutlineAppearance(WORD ref);
    void ReadOutlineTable();
    void ReadAppearanceTables();
    // Records the appearance of the object just appended to the drawing list.
    void NoteAppearance(bool closed);

    // Geometry
    int GetPointList(int fillFlag);
    // Hands a shape of count points to the drawing: one path per sub-path, the pieces of a
    // split shape behind a kind-6 group, the last piece registered with an open group.
    // nodes: the node bytes, whose 0x08 marks a closed sub-path; null for outlines that close.
    void AddShape(unsigned char* letters, tagDoublePoint* points, WORD count, int fillFlag,
                  const unsigned char* nodes = nullptr);
    // File coordinates under the global transform that stands, scaled and shifted to the
    // drawing's origin.
    tagDoublePoint ToDrawing(double x, double y) const;
    // An image's matrix, and bounds as GetRectangle reads them, under the global transform.
    void TransformMatrix(CMatrix* matrix) const;
    void TransformBounds(tagDoubleRect* bounds) const;

    // Images and thumbnail
    int GetImage(tagDoubleRect* rect, CMatrix* matrix);
    int GetRImage(tagDoubleRect* rect, CMatrix* matrix, unsigned short unused);
    int ProcessThumbNail();
    void ReleaseThumbnail();
    int ShowThumbNail(const CString& path, CDC* dc);

    // The parser's own fields that the walk reads and fills, in place: the walk lives and dies
    // with its parser.
    CCmxParser& parser_;
    unsigned char*& dataBuffer;
    DWORD& dataSize;
    CGrDrawset*& drawing;
    CGrDrawset*& groupStack;
    unsigned short& curLayerIndex;
    unsigned short& groupDepth;
    double& coordScale;
    char& formatVersion;

    // The read position in the body, read through dataBuffer and dataSize.
    CmxCursor cursor;
    // The innermost tagged record being read, none while a table is read.
    TaggedRecord* openRecord = nullptr;
    // The file offset of dataBuffer's first byte.
    DWORD bodyStart = CMX_HEADER_SIZE;

    // End of the instruction being interpreted (a buffer offset).
    DWORD instrEnd = 0;
    // Where the last jump sent the walk, and whether the instruction was a jump.
    DWORD jumpTarget = 0;
    bool jumped = false;

    // The global transforms that stand, each composed with those around it, in file units.
    std::vector<CMatrix> transforms;

    // The stretch of the body's instructions that the walk has passed and given back; its bytes
    // read as zero.
    DWORD discardedFrom = 0;
    DWORD discardedTo = 0;

    // Chunk lookups of the current body, made once per body.
    struct ChunkCacheEntry {
        char id[4];
        bool searched;
        DWORD offset; // dataSize when absent
    };
    ChunkCacheEntry chunkCache[8] = {};
    int chunkCacheCount = 0;

    // The outline table of the current body, read at the first outline: each entry's colour
    // and the references of its appearance.
    struct OutlineRefs {
        WORD lineStyle, screen, color, arrowheads, pen, dotDash;
    };
    bool outlineTableRead = false;
    std::vector<OutlineRefs> outlineEntries;

    // Appearance, when asked for: the tables that outline entries refer to, read at the first
    // outline, and the appearance of the shape being read.
    bool appearanceTablesRead = false;
    std::vector<DWORD> penWidths;
    std::vector<WORD> lineStyles;
    std::vector<std::vector<WORD>> dotDashes;
    CCmxAppearance shapeAppearance;
    CCmxAppearances appearances;

    // The image index of the current body, read once: the offsets of its entries up to the
    // first damaged one, and the count that the index announces.
    bool imageIndexRead = false;
    bool imageIndexFound = false;
    WORD imageIndexCount = 0;
    std::vector<DWORD> imageOffsets;
    // Offsets of every "data" id in the current body, found once, in increasing order.
    bool dataIdsFound = false;
    std::vector<DWORD> dataIds;
    // Bytes of image data that the current load has created, against a budget that no
    // plausible drawing meets, so that a tiny file cannot claim gigabytes: the allowance plus a
    // multiple of the body.
    ULONGLONG imageBytes = 0;
    ULONGLONG imageAllowance = ULONGLONG{256} << 20;

    // Working storage of the poly-curve reader, kept between the shapes of one body: the
    // arrays, the path object whose copies the list receives, and the group of a split shape.
    std::vector<unsigned char> letterScratch;
    std::vector<tagDoublePoint> pointScratch;
    CGrObjSimple* pathScratch = nullptr;
    CGrObjGroup* splitScratch = nullptr;
    void ReleaseScratch();

    // Instruction counts of an inspection, or null.
    std::map<int, unsigned long>* instructionCounts = nullptr;
};
