// Writing the command's outputs so that nothing is lost: a file is written beside its target and
// renamed over it only when complete, an output never replaces an input or another output, and
// standard output is checked for write errors.
#pragma once

#include <string>
#include <vector>

namespace vestrel_cli {

// The output that stands for standard output.
constexpr char kStandardOutput[] = "-";

// Writes bytes to path, or to standard output for "-". False, having said why, when they cannot
// be written; what stood at path then stands unchanged, and no temporary file is left.
bool WriteOutput(const std::string& path, const std::string& bytes);

// Standard output's buffered bytes, flushed; false, having said so, when they cannot be written.
bool FlushStandardOutput();

// An input and the output made from it.
struct OutputPlan {
    std::string input;
    std::string output;
};

// False, having named the first clash, when an output is its own input or another input (the
// same path, or the same file by device and inode), or two outputs are the same path. Checked
// before anything is written.
bool OutputsAreSafe(const std::vector<OutputPlan>& plans);

} // namespace vestrel_cli
