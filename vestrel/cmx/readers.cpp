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

CCmxParser::TaggedRecord::TaggedRecord(CCmxParser& parser,
                                       std::initializer_list<unsigned char> order, DWORD end,
                                       unsigned char unboundId)
    : parser_(parser), end_(end != 0 ? end : 0xFFFFFFFF), unboundId_(unboundId) {
    for (unsigned char id : order)
        if (count_ < sizeof order_)
            order_[count_++] = id;
}

bool CCmxParser::TaggedRecord::Next() {
    Close();
    if (done_)
        return false;
    if (!parser_.Tagged()) {
        // Reads past the end yield zeros and stop the walk, as the fields' readers have it.
        if (index_ == count_) {
            done_ = true;
            return false;
        }
        id_ = order_[index_++];
        return true;
    }
    CmxCursor& at = parser_.cursor;
    const DWORD start = at.Position();
    // A record ends at its end tag, or at its own end when the tag is missing.
    if (start >= RecordEnd()) {
        done_ = true;
        return false;
    }
    const unsigned char id = at.U8();
    if (at.Exhausted() || id == 0xFF) {
        done_ = true;
        return false;
    }
    const DWORD size = at.U16();
    statedEnd_ = ULONGLONG{start} + size;
    // Only the first such field reads on: a record cannot make the attributes be read again
    // and again over the same bytes.
    if (id == unboundId_ && !at.Exhausted()) {
        unboundId_ = 0;
        id_ = id;
        open_ = true;
        unbound_ = true;
        return true;
    }
    // A size below the tag header cannot be stepped over.
    if (at.Exhausted() || size < 3)
        return Damaged();
    outer_ = at;
    const DWORD recordEnd = RecordEnd();
    at.SetLimit(statedEnd_ < recordEnd ? static_cast<DWORD>(statedEnd_) : recordEnd);
    id_ = id;
    open_ = true;
    unbound_ = false;
    return true;
}

DWORD CCmxParser::TaggedRecord::RecordEnd() const {
    const DWORD limit = parser_.cursor.Limit();
    return end_ < limit ? end_ : limit;
}

bool CCmxParser::TaggedRecord::Damaged() {
    // Nothing behind damage can be believed: the reading ends, as a read past the end does.
    parser_.cursor.Exhaust();
    done_ = true;
    return false;
}

void CCmxParser::TaggedRecord::Close() {
    if (!open_)
        return;
    open_ = false;
    CmxCursor& at = parser_.cursor;
    if (unbound_) {
        // The stated end is believed only ahead of what was read and inside the record.
        if (!at.Exhausted() && statedEnd_ > at.Position() && statedEnd_ <= RecordEnd())
            at.Seek(static_cast<DWORD>(statedEnd_));
        return;
    }
    // A field that ran short of its own contents read zeros; the record goes on behind it.
    const DWORD fieldEnd = at.Limit();
    at = outer_;
    at.Seek(fieldEnd);
    if (statedEnd_ > fieldEnd)
        Damaged();
}
