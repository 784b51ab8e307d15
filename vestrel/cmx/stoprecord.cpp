#include "vestrel/cmx/stoprecord.h"

const char* CmxStopText(CmxStop reason) {
    switch (reason) {
    case CmxStop::complete:
        return "complete";
    case CmxStop::noFile:
        return "cannot be opened";
    case CmxStop::noHeader:
        return "not a CMX file";
    case CmxStop::emptyBody:
        return "a CMX file with nothing behind its header";
    case CmxStop::packDamaged:
        return "its compressed body is damaged";
    case CmxStop::packTooLarge:
        return "its compressed body claims more than a drawing can hold";
    case CmxStop::noPage:
        return "no page";
    case CmxStop::cutShort:
        return "an instruction runs past the page or the file";
    case CmxStop::sizeBelowHeader:
        return "an instruction's size cannot hold its header";
    case CmxStop::badJump:
        return "a jump that does not move forward inside the page";
    case CmxStop::readPastEnd:
        return "an instruction's operands run past the page";
    case CmxStop::cancelled:
        return "cancelled";
    case CmxStop::noSuchPage:
        return "no such page";
    }
    return "?";
}
