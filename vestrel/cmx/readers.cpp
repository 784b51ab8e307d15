// The readers that are not on the hot path.
#include "vestrel/cmx/readers.h"

int CmxWalk::GetString(CString* text) {
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

int CmxWalk::GetMatrix(CMatrix* matrix) {
    // The translation moves to the drawing's origin and scale; the factors stay.
    if (GetFileMatrix(matrix) == 2) {
        matrix->dx = (matrix->dx - static_cast<double>(GetBoundLeft())) * coordScale;
        matrix->dy = (matrix->dy - static_cast<double>(GetBoundBottom())) * coordScale;
    }
    return 1;
}

WORD CmxWalk::GetFileMatrix(CMatrix* matrix) {
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

CmxWalk::TaggedRecord::TaggedRecord(CmxWalk& parser, std::initializer_list<unsigned char> order,
                                    DWORD end, unsigned char unboundId)
    : parser_(parser), end_(end != 0 ? end : 0xFFFFFFFF), unboundId_(unboundId),
      unboundPending_(unboundId != 0), parent_(parser.openRecord) {
    parser.openRecord = this;
    for (unsigned char id : order)
        if (count_ < sizeof order_)
            order_[count_++] = id;
}

bool CmxWalk::TaggedRecord::Next() {
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
    CmxCursor& walk = parser_.cursor;
    const DWORD start = walk.Position();
    // A record ends at its end tag, or at its own end when the tag is missing.
    if (start >= RecordEnd()) {
        done_ = true;
        return false;
    }
    const unsigned char id = walk.U8();
    if (walk.Exhausted() || id == 0xFF) {
        done_ = true;
        return false;
    }
    const DWORD size = walk.U16();
    statedEnd_ = ULONGLONG{start} + size;
    // Only the first such field reads on: a record cannot make the attributes be read again
    // and again over the same bytes.
    if (unboundPending_ && id == unboundId_ && !walk.Exhausted()) {
        unboundPending_ = false;
        id_ = id;
        open_ = true;
        unbound_ = true;
        return true;
    }
    // A size below the tag header cannot be stepped over.
    if (walk.Exhausted() || size < 3)
        return Damaged();
    outer_ = walk;
    const DWORD recordEnd = RecordEnd();
    walk.SetLimit(statedEnd_ < recordEnd ? static_cast<DWORD>(statedEnd_) : recordEnd);
    id_ = id;
    open_ = true;
    unbound_ = false;
    return true;
}

DWORD CmxWalk::TaggedRecord::RecordEnd() const {
    const DWORD limit = parser_.cursor.Limit();
    return end_ < limit ? end_ : limit;
}

bool CmxWalk::TaggedRecord::Damaged() {
    // Nothing behind damage can be believed: the reading ends, as a read past the end does.
    parser_.cursor.Exhaust();
    done_ = true;
    if (parent_ != nullptr && parent_->open_)
        parent_->nestedDamage_ = true;
    return false;
}

void CmxWalk::TaggedRecord::Close() {
    if (!open_)
        return;
    open_ = false;
    CmxCursor& walk = parser_.cursor;
    if (unbound_) {
        // Damage inside the attributes exhausted this very cursor already.
        nestedDamage_ = false;
        // The stated end is believed only ahead of what was read and inside the record.
        if (!walk.Exhausted() && statedEnd_ > walk.Position() && statedEnd_ <= RecordEnd())
            walk.Seek(static_cast<DWORD>(statedEnd_));
        return;
    }
    // A field that ran short of its own contents read zeros; the record goes on behind it.
    const DWORD fieldEnd = walk.Limit();
    walk = outer_;
    walk.Seek(fieldEnd);
    const bool nested = nestedDamage_;
    nestedDamage_ = false;
    if (statedEnd_ > fieldEnd || nested)
        Damaged();
}
