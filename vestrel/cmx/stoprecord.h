// What a load or a preview tells about how it ended: the stop record.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "platform/afxdefs.h"

#include <map>

// Why a load or a preview ended. The messages a load shows stay as they are; the record says
// in more detail what happened.
enum class CmxStop : unsigned char {
    complete,        // the page was walked to its end (a preview: the file was read)
    noFile,          // the file could not be opened
    noHeader,        // no CMX header: another kind of file, or one cut inside its header
    emptyBody,       // nothing behind the header
    packDamaged,     // a compressed body whose stream is damaged or not of its stated length
    packTooLarge,    // a compressed body that states more than the reader unpacks
    noPage,          // no "page" chunk (message 3)
    cutShort,        // an instruction runs past the page or the body (message 4)
    sizeBelowHeader, // an instruction's size cannot hold its own header (message 4)
    badJump,         // a jump that does not move forward inside the page (message 4)
    readPastEnd,     // an instruction's operands run past the page's end (message 4)
    cancelled,       // the conversion's save dialog was cancelled
    noSuchPage,      // the page asked for lies past the file's pages: nothing was loaded
};

// Why a load ended, in a few English words ("complete", "cannot be opened", "no page"...), for
// hosts and tools that tell their users.
VESTREL_API const char* CmxStopText(CmxStop reason);

// What the thumbnail chunk gave.
enum class CmxThumbnail : unsigned char {
    none,      // no "DISP" chunk, or not looked for
    palette,   // a picture of palette indices
    trueColor, // a picture of 24 or 32 bits per pixel, given a palette of 256 colours
    damaged,   // a chunk that the body cuts short: no thumbnail
};

struct CCmxStopRecord {
    CmxStop reason = CmxStop::complete;
    // The instruction at which the walk stopped: its start as a file offset, its number in the
    // walk counted from 1, and its code; all 0 when the load did not stop inside the page. For a
    // damaged compressed body, the file offset of its "pack" chunk.
    DWORD offset = 0;
    unsigned long instruction = 0;
    short code = 0;
    // Instructions the walk read, and those among them that it passed over, by code.
    unsigned long instructions = 0;
    std::map<int, unsigned long> passedOver;
    // Images left out because the drawing's images together would pass the guard.
    unsigned long imagesRefused = 0;
    // Shapes without fill whose outline colour the missing outline table could not give: they
    // take colour reference 0, and message 5 is shown once for all of them.
    unsigned long shapesWithoutOutlineTable = 0;
    CmxThumbnail thumbnail = CmxThumbnail::none;
    // The body was stored compressed.
    bool compressed = false;
    // The page the load read (from 1) and the pages the body holds; 0 when no body was read.
    unsigned long page = 0;
    unsigned long pages = 0;

    bool Complete() const { return reason == CmxStop::complete; }
};
