// The readers that are not on the hot path.
#include "vestrel/cmx/readers.h"

int CCmxParser::GetString(CString* text) {
    WORD count = GetWord();
    if (count == 0)
        return 1;
    // Appends only what the body holds: a count past its end reads nothing.
    const unsigned char* p = cursor.Take(count);
    if (p != nullptr)
        for (WORD i = 0; i < count; ++i)
            *text += static_cast<char>(p[i]);
    return 1;
}

int CCmxParser::GetMatrix(CMatrix* matrix) {
    // The translation moves to the drawing's origin and scale; the factors stay.
    if (GetFileMatrix(matrix) == 2) {
        matrix->dx = (matrix->dx - static_cast<double>(GetBoundLeft())) * coordScale;
        matrix->dy = (matrix->dy - static_cast<double>(GetBoundBottom())) * coordScale;
    }
    return 1;
}

WORD CCmxParser::GetFileMatrix(CMatrix* matrix) {
    const WORD type = GetWord();
    if (type == 1) {
        *matrix = CMatrix();
    } else if (type == 2) {
        matrix->m11 = GetDouble();
        matrix->m12 = GetDouble();
        matrix->m21 = GetDouble();
        matrix->m22 = GetDouble();
        matrix->dx = GetDouble();
        matrix->dy = GetDouble();
    }
    // An unknown type leaves the caller's matrix as it was.
    return type;
}
