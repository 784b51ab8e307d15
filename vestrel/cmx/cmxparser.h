// CCmxParser: reads CMX drawings into drawing lists and hands them on.
#pragma once

#include "vestrel/cmx/appearance.h"
#include "vestrel/cmx/cmxheader.h"
#include "vestrel/cmx/cursor.h"
#include "vestrel/cmx/stoprecord.h"
#include "vestrel/frame/vestrel_api.h"

#include "drawset/grobj.h"
#include "platform/cstring.h"
#include "platform/oleauto.h"

#include <cstddef>
#include <initializer_list>
#include <map>
#include <vector>

class CWnd;
class CCmxParserTestAccess;

// What an inspection of a CMX file found: the offsets (in the file) of the first occurrence of
// each chunk id the reader looks for, and the page's instructions by code.
struct VESTREL_API CCmxFileInfo {
    struct Chunk {
        char id[5];
        long offset; // -1 when the id does not occur
    };
    CCmxHeader header;
    bool opened = false;   // the file could be opened for reading
    DWORD headerBytes = 0; // 0 when the file holds no CMX header
    DWORD bodySize = 0;
    Chunk chunks[8] = {};
    int chunkCount = 0;
    std::map<int, unsigned long> instructions; // by code as the file gives it
    CCmxStopRecord stop;                       // how the load ended
    int objectCount = 0;                       // objects in the drawing list after the load
};

class VESTREL_API CCmxParser : public CCmxHeader {
public:
    CCmxParser();
    ~CCmxParser();
    // Copies are allowed only between parsers that hold no buffers and no lists; otherwise
    // two parsers would release the same memory. Anything else raises CNotSupportedException.
    CCmxParser(const CCmxParser& other);
    CCmxParser& operator=(const CCmxParser& other);

    // Frame
    void SetClipboardOwnerWnd(CWnd* window);
    int SetFrameSize(unsigned long width, unsigned long height);

    // Loading
    int LoadCmx6File(CString path);
    // How the last load, conversion or preview ended; see CCmxStopRecord.
    const CCmxStopRecord& GetStopRecord() const { return stopRecord; }
    // Rectangles (instruction 68) and global transforms (94 and 95) are read by default. Off,
    // the walk passes them over like every code without a handler, for hosts that want the
    // drawing exactly as readers without them gave it.
    void SetRectanglesAndTransforms(bool on) { rectanglesAndTransforms = on; }
    bool GetRectanglesAndTransforms() const { return rectanglesAndTransforms; }
    // Whether loads also read how each object looks (fill, outline, closed), for a caller that
    // draws the drawing: off by default, and a load without it does no more than before.
    void SetReadAppearance(bool on) { readAppearance = on; }
    bool GetReadAppearance() const { return readAppearance; }
    // The appearance of the last load's objects, by the objects of its drawing list; it stays
    // valid for a detached drawing while that lives.
    const CCmxAppearances& GetAppearances() const { return appearances; }
    void TakeAppearances(CCmxAppearances* into) { *into = std::move(appearances); }

    // The page that loads, conversions and inspections read, counted from 1 (0 stands for 1);
    // the first by default. A number past the pages of the file loads nothing: the load returns
    // 0, shows no message, creates no lists and its stop record says noSuchPage.
    void SetPage(unsigned long page) { pageNumber = page != 0 ? page : 1; }
    unsigned long GetPage() const { return pageNumber; }
    // The pages of a CMX file or image, counted by their chunks without reading their
    // instructions; -1 when it cannot be opened, holds no CMX image with a body, or its
    // compressed body is damaged. Shows no message; a drawing held stays held, untouched.
    long CountCmx6Pages(CString path);
    long CountCmxImagePages(const BYTE* image, DWORD size);
    // Loads the file as LoadCmx6File does, counting its instructions, and releases what it
    // loaded. Returns 1 when the file was read, 0 otherwise (message 1 when it cannot be opened).
    int InspectCmx6File(CString path, CCmxFileInfo* info);
    // The same two for a CMX image in memory, which is only read: the load runs the file's
    // steps, thumbnail included. Neither shows message 1.
    int LoadCmxFromMemory(const BYTE* image, DWORD size);
    int InspectCmxImage(const BYTE* image, DWORD size, CCmxFileInfo* info);
    // The drawing on the clipboard in the format "Corel 32-bit Presentation Exchange Data", and
    // the drop block at its announced size. Both read the image as a file is read, without the
    // thumbnail, and report only through the result: 1 when a drawing was read, else 0. The
    // clipboard is closed again and its data stays its own; the drop block is not changed.
    int LoadCmxFromClipBoard();
    int LoadCmxFromDropBlock();

    // Output. Each of WriteJobFile, WriteCmxFile and ParseCmx6 leaves the parser without a
    // drawing; WriteJobFile keeps it when the job file cannot be written (CFileException).
    int WriteJobFile(CString path);
    void DoWriteJobDlg();
    int WriteCmxFile(CString path);
    // Converts a CMX file into a job file in one call; a job path of one character asks for
    // the path in a save dialog. Returns 1 when the job file was written, else 0.
    int ParseCmx6(CString* cmxPath, CString* jobPath);

    // The interactive import: the open dialog with its preview; a chosen file is loaded, stored
    // in fileName, and the save dialog then asks for the job path. Always 1.
    int DoOpenCmxDlg();

    // Reads a CMX file's thumbnail and draws it at (1, 1) on dc. Returns 1 when the file was
    // read and handed to the drawing step (also without a thumbnail), 0 when it cannot be
    // opened, is no CMX file or holds nothing behind its header. Shows no message. A drawing
    // held at the call stays held, untouched.
    int ShowThumbNail(CString path, CDC* dc);

    // OLE data blocks. Outgoing: the drawing's job bytes and 100 fill bytes (the stream),
    // cut into blocks of the block size (at least 32000, by default 32000), each a VARIANT
    // holding a one-dimensional array of that many bytes; or the whole stream in one VARIANT.
    // Incoming: an announced total, then pieces appended in call order to the drop block.
    // SetBlockSize: 0 below 32000, else 1; blocks held already keep the size they were cut with.
    int SetBlockSize(long size);
    // Cuts the drawing into blocks and returns their number, 0 without a drawing (and then no
    // blocks are held).
    long GetBlockCount();
    // The cut itself, as GetBlockCount makes it; 0, and nothing changed, without a drawing.
    int CreateOleBlocks();
    // Block index into the caller's VARIANT, whatever it held; 0, with the VARIANT untouched,
    // for an index outside the blocks held or when no array can be made.
    int GetBlock(long index, VARIANT* variant);
    // The whole stream in one VARIANT; 0, with the VARIANT untouched, without a drawing or
    // when no array can be made.
    short CreateVariant(VARIANT* variant);
    // Announces the size of the drop block to come; a total other than 0 starts a new, zeroed
    // block in place of any held. A negative or unobtainable total raises CMemoryException.
    short SetDataBlockSizeAll(long total);
    // Appends the first length bytes of a VT_ARRAY | VT_UI1 block, which it then releases,
    // leaving the VARIANT empty; a VARIANT of another type is left as it is, with result 1.
    // 0, with nothing changed, when no drop block is announced, the bytes would not fit it, or
    // the array holds fewer than length bytes.
    short AddDataBlock(VARIANT* variant, long length);
    // Releases the buffers of both directions; the block size stays. Always 1.
    int FreeOleBlocks();

    // Hands the loaded drawing to the caller, who then owns it, and releases the group stack.
    // Null when no drawing is held.
    CGrDrawset* DetachDrawing();

    // State, for hosts and tests.
    CGrDrawset* GetDrawing() const { return drawing; }
    CGrDrawset* GetGroupStack() const { return groupStack; }
    const unsigned char* GetDataBuffer() const { return dataBuffer; }
    DWORD GetDataSize() const { return dataSize; }
    // The file offset of the body's first byte: where the header chunk ends.
    DWORD GetBodyStart() const { return bodyStart; }
    DWORD GetReadPos() const { return cursor.Position(); }
    unsigned short GetCurLayerIndex() const { return curLayerIndex; }
    unsigned short GetGroupDepth() const { return groupDepth; }
    double GetCoordScale() const { return coordScale; }
    char GetFormatVersion() const { return formatVersion; }
    const CString& GetFileName() const { return fileName; }
    CWnd* GetClipboardOwner() const { return clipboardOwner; }
    const unsigned char* GetDropBlock() const { return dropBuffer; }
    DWORD GetDropBlockSize() const { return dropBlockSize; }
    DWORD GetDropBlockFill() const { return dropBlockFill; }

private:
    friend class CCmxParserTestAccess;

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
    void CopyFields(const CCmxParser& other);

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
    WORD GetAngle();
    DWORD GetDWord();
    int GetInt32();
    int GetAtom();
    DWORD GetOffset();
    DWORD GetLength();
    int GetBoolean();
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
    bool LittleEndian() const { return GetByteOrderChar() == '2'; }
    bool ShortCoordinates() const { return GetCoordSizeChar() == '2'; }
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
        TableScope(CCmxParser& parser, DWORD at)
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
        CCmxParser& parser_;
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
        TaggedRecord(CCmxParser& parser, std::initializer_list<unsigned char> order, DWORD end = 0,
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
        CCmxParser& parser_;
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

    // Fields, in the order of the original layout; the cursor holds the read position.
    CString fileName;
    unsigned char* dataBuffer = nullptr;
    CmxCursor cursor;
    // The innermost tagged record being read, none while a table is read.
    TaggedRecord* openRecord = nullptr;
    LONG oleBlockSize = 0;
    unsigned char* oleBuffer = nullptr;
    LONG oleBlockCount = 0;
    DWORD oleDataSize = 0;
    DWORD dataSize = 0;
    CWnd* clipboardOwner = nullptr;
    CGrDrawset* drawing = nullptr;
    CGrDrawset* groupStack = nullptr;
    unsigned short curLayerIndex = 0xFFFF;
    unsigned short groupDepth = 0;
    double coordScale = 0.0;
    char formatVersion = 0;
    DWORD dropBlockSize = 0;
    DWORD dropBlockFill = 0;
    unsigned char* dropBuffer = nullptr;
    LONG dropBufferOwned = 0;

    // The file offset of dataBuffer's first byte.
    DWORD bodyStart = CMX_HEADER_SIZE;

    // The block size that the outgoing blocks held were cut with.
    LONG heldBlockSize = 0;

    // End of the instruction being interpreted (a buffer offset).
    DWORD instrEnd = 0;
    // Where the last jump sent the walk, and whether the instruction was a jump.
    DWORD jumpTarget = 0;
    bool jumped = false;
    CCmxStopRecord stopRecord;

    bool rectanglesAndTransforms = true;
    unsigned long pageNumber = 1;
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
    bool readAppearance = false;
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

// Has a parser read the first page while it lives, whatever page it was set to: the roads that
// the Parts' hosts know (the plain LoadCmx6File, the open dialog) read page 1.
class CmxFirstPage {
public:
    explicit CmxFirstPage(CCmxParser& parser) : parser_(parser), page_(parser.GetPage()) {
        parser.SetPage(1);
    }
    ~CmxFirstPage() { parser_.SetPage(page_); }
    CmxFirstPage(const CmxFirstPage&) = delete;
    CmxFirstPage& operator=(const CmxFirstPage&) = delete;

private:
    CCmxParser& parser_;
    unsigned long page_;
};

// Shows message id of the library's string table in a message box, or a fallback text when the
// table cannot be read.
VESTREL_API void ShowErrorMessage(unsigned id);
