// CCmxParser: reads CMX drawings into drawing lists and hands them on.
#pragma once

#include "vestrel/cmx/appearance.h"
#include "vestrel/cmx/cmxheader.h"
#include "vestrel/cmx/stoprecord.h"
#include "vestrel/frame/vestrel_api.h"

#include "drawset/grobj.h"
#include "platform/cstring.h"
#include "platform/oleauto.h"

#include <map>
#include <memory>

class CWnd;
class CmxWalk;

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
    const CCmxStopRecord& GetStopRecord() const;
    // Rectangles (instruction 68) and global transforms (94 and 95) are read by default. Off,
    // the walk passes them over like every code without a handler, for hosts that want the
    // drawing exactly as readers without them gave it.
    void SetRectanglesAndTransforms(bool on);
    // Whether loads also read how each object looks (fill, outline, closed), for a caller that
    // draws the drawing: off by default, and a load without it does no more than before.
    void SetReadAppearance(bool on);
    // The appearance of the last load's objects, by the objects of its drawing list; it stays
    // valid for a detached drawing while that lives.
    const CCmxAppearances& GetAppearances() const;
    void TakeAppearances(CCmxAppearances* into);

    // The page that loads, conversions and inspections read, counted from 1 (0 stands for 1);
    // the first by default. A number past the pages of the file loads nothing: the load returns
    // 0, shows no message, creates no lists and its stop record says noSuchPage.
    void SetPage(unsigned long page);
    unsigned long GetPage() const;
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

    // State, for hosts.
    CGrDrawset* GetDrawing() const { return drawing; }
    CGrDrawset* GetGroupStack() const { return groupStack; }
    const unsigned char* GetDataBuffer() const { return dataBuffer; }
    // The file offset of the body's first byte: where the header chunk ends.
    DWORD GetBodyStart() const;
    const CString& GetFileName() const { return fileName; }
    const unsigned char* GetDropBlock() const { return dropBuffer; }
    DWORD GetDropBlockSize() const { return dropBlockSize; }
    DWORD GetDropBlockFill() const { return dropBlockFill; }

private:
    friend class CmxWalk;

    // The fields a host may know of, in their documented order. The read position is the
    // walk's.
    CString fileName;
    unsigned char* dataBuffer = nullptr;
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

    // Everything else that is the parser's own: the walk, its caches and options.
    std::unique_ptr<CmxWalk> walk_;
};

// Has a parser read the first page while it lives, whatever page it was set to: the roads that
// hosts have always known (the plain LoadCmx6File, the open dialog) read page 1.
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
