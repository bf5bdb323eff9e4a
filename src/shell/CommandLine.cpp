#include "shell/CommandLine.h"

#include <cctype>

namespace tovra {

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

RunMode ParseRunMode(std::string_view commandLine) {
    const std::string_view line = TrimSpaces(commandLine);
    // The first character (/, - or anything else) is never looked at.
    const char letter = line.size() < 2 ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(line[1])));
    switch (letter) {
        case '\0':
        case 'C': return RunMode::Configure;
        case 'S': return RunMode::Saver;
        case 'P':
        case 'L': return RunMode::Preview;
        case 'A': return RunMode::ChangePassword;
        default: return RunMode::None;
    }
}

HandleResult HostWindowFromCommandLine(std::string_view commandLine) {
    const std::string_view line = TrimSpaces(commandLine);
    std::size_t n = line.size();
    while (n >= 1 && line[n - 1] >= '0' && line[n - 1] <= '9') --n;
    const std::string_view digits = line.substr(n);
    HandleResult result;
    if (digits.empty()) {
        result.problem = HandleProblem::NoNumber;
        return result;
    }
    int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            result.problem = HandleProblem::TooLarge;
            return result;
        }
    }
    result.handle = static_cast<int32_t>(value);
    return result;
}

std::string DescribeHandleProblem(HandleProblem problem, std::string_view commandLine) {
    const std::string line(TrimSpaces(commandLine));
    switch (problem) {
        case HandleProblem::NoNumber:
            return "The command line \"" + line +
                   "\" names no window. Expected the switch followed by a window number, for example /p 1234.";
        case HandleProblem::TooLarge:
            return "The window number on the command line \"" + line +
                   "\" is too large. Expected a window number from 0 to 2,147,483,647.";
        case HandleProblem::None: break;
    }
    return {};
}

}  // namespace tovra
