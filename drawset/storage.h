// The storage of a drawing list's copies: pieces that hold the records and their data blocks
// side by side, so that a list of many small objects makes few allocations and, for large
// lists, touches memory in large pages. Internal to the drawset library.
#pragma once

#include "drawset/grobj.h"

#include <cstddef>

namespace drawset_storage {

// A copy of object of its own class with its own data block, placed in the piece that *copies
// names (a new piece when that one is full, taken over by *copies) or, for a block too large
// for a piece, with the block from operator new. listLength, the number of objects the list
// holds, sizes the next piece.
CGrObj* CloneIntoPieces(const CGrObj& object, void** copies, std::size_t listLength);

// Lets go of the piece that *copies names; it goes once its last record has gone too.
void ReleaseCopies(void** copies);

} // namespace drawset_storage
