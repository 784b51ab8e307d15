// The ANSI code page where the system has none: Windows-1252.
#pragma once

namespace platform_ansi {

// The Unicode code point of a Windows-1252 byte (U+FFFD for the five bytes it leaves unused).
inline char16_t CodePoint(unsigned char byte) {
    // Windows-1252 differs from Latin-1 in 0x80 to 0x9F; those map to these code points.
    static const char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

// The Windows-1252 byte of a code point, '?' when the code page lacks it.
inline char Byte(char16_t code) {
    if (code < 0x80 || (code >= 0xA0 && code < 0x100))
        return static_cast<char>(code);
    for (unsigned byte = 0x80; byte < 0xA0; ++byte)
        if (code != 0xFFFD && CodePoint(static_cast<unsigned char>(byte)) == code)
            return static_cast<char>(byte);
    return '?';
}

} // namespace platform_ansi
