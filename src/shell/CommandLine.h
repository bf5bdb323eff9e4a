#pragma once
// The screen-saver command line: one switch letter, the second character of
// the trimmed, upper-cased line, and for some switches a window handle, the
// run of digits that ends the line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovra {

enum class RunMode { None, Configure, Saver, Preview, ChangePassword };

// Spaces (only the space character) removed at both ends.
std::string_view TrimSpaces(std::string_view text);

// The switch letter's mode; None for a letter the program does not know.
RunMode ParseRunMode(std::string_view commandLine);

enum class HandleProblem { None, NoNumber, TooLarge };

struct HandleResult {
    int32_t handle = 0;
    HandleProblem problem = HandleProblem::None;
};

// The number written by the digits at the end of the trimmed line.
HandleResult HostWindowFromCommandLine(std::string_view commandLine);

// What to tell the user when the handle cannot be read.
std::string DescribeHandleProblem(HandleProblem problem, std::string_view commandLine);

}  // namespace tovra
