#pragma once
// XScreenSaver's list of display modes, the "programs" resource of a user's
// ~/.xscreensaver: Tovra put on it without touching anything else in the
// file. Each entry of the list ends with "\n" and each line of it with a
// backslash; an entry may start with "-" (switched off), a visual ("GL:") and
// a quoted name before its command.

#include <string>
#include <string_view>

namespace tovra {

enum class ListChange { Added, SwitchedOn, AlreadyOn };

struct ProgramsEdit {
    ListChange change;
    std::string text;  // the user's file as it is to be
};

// The entry tovra-enable adds.
inline constexpr char kTovraEntry[] = "tovra -root";

// `userFile` with Tovra on its programs list: unchanged when an entry runs
// tovra already; with the "-" of a switched-off one removed; else with
// kTovraEntry added as the list's last entry, so that the entries before it
// keep their numbers. A file without the resource (or no file: "") gets the
// list that XScreenSaver would use, the "*programs" of `appDefaults` (its
// system-wide defaults file, "" when there is none), at its end. Every other
// byte of the file stays as it is.
ProgramsEdit AddTovraToPrograms(std::string_view userFile, std::string_view appDefaults);

}  // namespace tovra
