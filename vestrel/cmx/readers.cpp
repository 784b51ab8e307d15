// The readers that are not on the hot path.
#include "vestrel/cmx/readers.h"

int CCmxParser::GetString(CString* text) {
    WORD count = GetWord();
    if (count == 0)
        return 1;
    // Appends only what the body holds: a count past its end reads nothing.
    const unsigned char* p = Take(count);
    if (p != nullptr)
        for (WORD i = 0; i < count; ++i)
            *text += static_cast<char>(p[i]);
    return 1;
}

int CCmxParser::GetMatrix(CMatrix* matrix) {
    switch (GetWord()) {
    case 1:
        *matrix = CMatrix();
        break;
    case 2:
        matrix->m11 = GetDouble();
        matrix->m12 = GetDouble();
        matrix->m21 = GetDouble();
        matrix->m22 = GetDouble();
        matrix->dx = (GetDouble() - static_cast<double>(GetBoundLeft())) * coordScale;
        matrix->dy = (GetDouble() - static_cast<double>(GetBoundBottom())) * coordScale;
        break;
    default:
        // An unknown type leaves the caller's matrix as it was.
        break;
    }
    return 1;
}
