// The roads by which bytes reach the libraries, each followed by the checks of what a caller can
// see afterwards. The fuzzers and the suite's regression test share them, so that an input
// that once failed a fuzzer fails the suite in the same way.
#pragma once

#include "drawset/grobj.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CCmxParser;

namespace vestrel_fuzz {

// Silences message boxes for the life of the process and starts the libraries once, as a host
// does. Safe to call more than once.
void StartLibraries();

// Each road returns an empty text when every check held, else what went wrong. Exceptions that
// the road does not expect pass to the caller.

// CCmxParser::LoadCmx6File on a file holding the bytes; then again with the appearance asked
// for, which must end the same with the same drawing, and, where the command is built, the
// drawing with its appearance drawn as SVG.
std::string LoadRoad(const std::uint8_t* data, std::size_t size);
// CCmxParser::ParseCmx6 from a file holding the bytes to a job file; a job that was written
// must read back.
std::string ConvertRoad(const std::uint8_t* data, std::size_t size);
// The load road on the bytes; then, when they are an uncompressed CMX file, their compressed
// twin (the whole body in one "pack" chunk) must load to the same drawing with the same stop
// record.
std::string CompressedRoad(const std::uint8_t* data, std::size_t size);
// CCmxParser::ShowThumbNail from a file holding the bytes onto a 130 x 130 context.
std::string ThumbnailRoad(const std::uint8_t* data, std::size_t size);
// CGrDrawset::ReadJobData on the bytes, and on a copy whose length field and checksum are
// made to match, so that the fields behind the checksum are reached; the copy also goes
// through CGrDrawset::ReadJobFile. An accepted job must write back to the same bytes.
std::string JobRoad(const std::uint8_t* data, std::size_t size);

// CCmxParser::SetDataBlockSizeAll and AddDataBlock with the bytes in pieces of varying sizes
// (some arrays longer than the bytes that count, some VARIANTs of another type, sometimes an
// announced total beyond the bytes), then LoadCmxFromDropBlock three times. The drop block must
// hold the bytes unchanged, every load must give the same result and, from the same colour and
// group depth, the same drawing; for one input in eight the drawing's outgoing blocks must pass
// CheckOleBlocks.
std::string DropBlockRoad(const std::uint8_t* data, std::size_t size);
// CCmxParser::LoadCmxFromClipBoard with the bytes on the clipboard of the process under the
// exchange format's name, beside a text. Afterwards the clipboard must be closed and hold the
// same block, unlocked, with the same bytes.
std::string ClipboardRoad(const std::uint8_t* data, std::size_t size);

// The outgoing blocks of the drawing that parser holds, cut with blockSize (0: the default):
// N = T / size + 1 arrays of size bytes each, whose concatenation begins with the drawing's job
// bytes, which read back as a job that writes the same bytes; and CreateVariant's single array
// of exactly T bytes holding the same stream.
std::string CheckOleBlocks(CCmxParser& parser, long blockSize);

// Where a drawing list came from, which decides what must hold for it.
enum class Source {
    // The CMX reader: group members name positions of the list, bitmaps hold at least their
    // header, and the thumbnail block is 16424 + 4 x biClrUsed bytes.
    cmxReader,
    // The job reader, which carries group members and bitmap blocks as the job holds them.
    jobReader,
};

// What must hold for any drawing list that a road leaves: every object's data block is as long
// as its stated size and paths hold the points their block announces, and what the source
// guarantees besides.
std::string CheckDrawing(const CGrDrawset& drawing, Source source);

} // namespace vestrel_fuzz
