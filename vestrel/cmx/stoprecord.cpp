#include "vestrel/cmx/stoprecord.h"

#include <iterator>

namespace {

// In the order of CmxStop.
constexpr const char* kStopTexts[] = {
    "complete",                                                // complete
    "cannot be opened",                                        // noFile
    "not a CMX file",                                          // noHeader
    "a CMX file with nothing behind its header",               // emptyBody
    "its compressed body is damaged",                          // packDamaged
    "its compressed body claims more than a drawing can hold", // packTooLarge
    "no page",                                                 // noPage
    "an instruction runs past the page or the file",           // cutShort
    "an instruction's size cannot hold its header",            // sizeBelowHeader
    "a jump that does not move forward inside the page",       // badJump
    "an instruction's operands run past the page",             // readPastEnd
    "cancelled",                                               // cancelled
    "no such page",                                            // noSuchPage
};
static_assert(std::size(kStopTexts) == static_cast<std::size_t>(CmxStop::noSuchPage) + 1,
              "a text for every reason");

} // namespace

const char* CmxStopText(CmxStop reason) {
    const auto index = static_cast<std::size_t>(reason);
    return index < std::size(kStopTexts) ? kStopTexts[index] : "?";
}
