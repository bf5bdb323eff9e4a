// tovra-enable: puts Tovra on the calling user's list of XScreenSaver display
// modes (~/.xscreensaver), which the package cannot do for its users. Run
// again, it changes nothing; it touches nothing else in the file.

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "x11/ProgramsList.h"

namespace {

constexpr char kAppDefaults[] = "/etc/X11/app-defaults/XScreenSaver";

// The file's bytes; nothing when it does not exist; `error` when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno != ENOENT) error = std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) error = std::strerror(errno);
    return text.str();
}

// Replaces `path` by `text` all at once (a new file renamed over it), with
// the old file's permissions; "" or why it failed.
std::string WriteFile(const std::string& path, const std::string& text) {
    struct stat old {};
    const bool existed = stat(path.c_str(), &old) == 0;
    std::string temporary = path + ".tovra-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return std::strerror(errno);
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, existed ? old.st_mode & 07777 : 0666 & ~mask) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    const int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), path.c_str()) == 0) return "";
    const std::string why = std::strerror(ok ? errno : saved);
    unlink(temporary.c_str());
    return why;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string arg = argv[1];
        const bool help = arg == "-h" || arg == "-help" || arg == "--help";
        if (!help) std::fprintf(stderr, "tovra-enable: unknown argument \"%s\"\n", argv[1]);
        std::fputs("usage: tovra-enable\n"
                   "Puts Tovra (tovra -root) on your list of XScreenSaver display modes in ~/.xscreensaver.\n",
                   help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr) {
        std::fputs("tovra-enable: cannot tell your home folder: HOME is not set\n", stderr);
        return 1;
    }
    // A settings file that is a link is changed where it lies.
    std::string path = std::string(home) + "/.xscreensaver";
    if (char real[PATH_MAX]; realpath(path.c_str(), real) != nullptr) path = real;

    std::string error;
    const std::optional<std::string> file = ReadFile(path, error);
    if (!error.empty()) {
        std::fprintf(stderr, "tovra-enable: cannot read %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::string ignored;
    const tovra::ProgramsEdit edit =
        tovra::AddTovraToPrograms(file.value_or(""), ReadFile(kAppDefaults, ignored).value_or(""));
    if (edit.change == tovra::ListChange::AlreadyOn) {
        std::printf("tovra-enable: Tovra is already on your display modes in %s\n", path.c_str());
        return 0;
    }
    if (const std::string why = WriteFile(path, edit.text); !why.empty()) {
        std::fprintf(stderr, "tovra-enable: cannot write %s: %s\n", path.c_str(), why.c_str());
        return 1;
    }
    std::printf("tovra-enable: Tovra %s your display modes in %s; choose it in xscreensaver-settings\n",
                edit.change == tovra::ListChange::Added ? "is now on" : "is switched on again in", path.c_str());
    return 0;
}
