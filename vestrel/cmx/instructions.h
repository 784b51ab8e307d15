// The page instructions the reader knows: their codes and their names. The walk dispatches on
// the codes; the command names them.
#pragma once

namespace vestrel_cmx {

// The negative form of each code leads to the same handler, text excepted.
enum InstructionCode : short {
    kBeginPage = 9,
    kBeginLayer = 11,
    kBeginGroup = 13,
    kEndGroup = 14,
    kDrawChars = 65,
    kPolyCurve = 67,
    kRectangle = 68,
    kDrawImage = 69,
    kAddGlobalTransform = 94,
    kRestoreGlobalTransform = 95,
    kJumpAbsolute = 111,
};

// The name of a known instruction, or null for a code the reader has no handler for.
constexpr const char* InstructionName(int code) {
    switch (code) {
    case kDrawChars:
        return "text";
    case -kDrawChars:
        return nullptr;
    default:
        break;
    }
    switch (code < 0 ? -code : code) {
    case kBeginPage:
        return "begin page";
    case kBeginLayer:
        return "begin layer";
    case kBeginGroup:
        return "begin group";
    case kEndGroup:
        return "end group";
    case kPolyCurve:
        return "poly-curve";
    case kRectangle:
        return "rectangle";
    case kDrawImage:
        return "image";
    case kAddGlobalTransform:
        return "add global transform";
    case kRestoreGlobalTransform:
        return "restore global transform";
    case kJumpAbsolute:
        return "jump";
    default:
        return nullptr;
    }
}

} // namespace vestrel_cmx
