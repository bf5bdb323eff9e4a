// The X11 layer on a private Xvfb: the display window's picture against its display's frame, through shared memory
// and without, resizes, repaints, closing and vanished windows, every TrueColor visual; the cell bitmaps; the
// program's run; tovra-enable's edit of the programs list.
#include <gtest/gtest.h>
// After GoogleTest, which has names that Xlib defines as macros.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stb/stb_image_write.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <span>

#include "display/x11/X11DisplayWindow.h"
#include "settings/SaverSettings.h"
#include "shell/SaverOptions.h"
#include "x11/ProgramsList.h"
#include "x11/SaverProgram.h"

namespace tovra {
namespace {

// An Xvfb at 144 dots per inch for the test program on a display number it picks, ended by its pid
// at exit or with this process: the one in $DISPLAY, with screens 1 to 3 of
// depth 16, 30 and 15 beside the 24-bit one, or (`apart`) one reached over
// TCP, which refuses the program's shared memory as a server on another
// machine would, with a screen 1 of depth 8 (PseudoColor). Without them every
// test fails.
Display* Server(bool apart = false) {
    static pid_t pids[2] = {};
    static Display* displays[2] = {};
    if (displays[apart] != nullptr) return displays[apart];
    int fds[2] = {-1, -1};
    if (pipe(fds) == 0 && (pids[apart] = fork()) == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-br", "-dpi", "144",
                              apart ? "-listen" : "-nolisten", "tcp", "-screen", "1", apart ? "200x150x8" : "200x150x16",
                              "-screen", "2", "200x150x30", "-screen", "3", "200x150x15", nullptr};
        if (apart) argv[14] = nullptr;
        execvp(argv[0], const_cast<char**>(argv));
        _exit(127);
    }
    [[maybe_unused]] static const int stop = std::atexit([] {
        for (pid_t pid : pids) pid > 0 && kill(pid, SIGTERM) == 0 && waitpid(pid, nullptr, 0);
    });
    close(fds[1]);
    std::string number;
    for (char c; pids[apart] > 0 && read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    displays[apart] = number.empty() ? nullptr : XOpenDisplay(((apart ? "localhost:" : ":") + number).c_str());
    if (displays[apart] == nullptr) std::fputs("Xvfb does not start\n", stderr), std::exit(1);
    if (!apart) setenv("DISPLAY", (":" + number).c_str(), 1);
    return displays[apart];
}

Window NewWindow(int width, int height, int x = 0, int y = 0, Display* d = Server(), int screen = 0) {
    const Window w = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, width, height, 0, 0, 0);
    XMapWindow(d, w);
    XSync(d, False);
    return w;
}

// The window's pixels as 0x00RRGGBB (or as they are), row by row; none when
// it cannot be read.
std::vector<uint32_t> Shot(Window w, int width, int height, Display* d = Server(), uint32_t mask = 0xFFFFFF) {
    XImage* image = XGetImage(d, w, 0, 0, width, height, AllPlanes, ZPixmap);
    std::vector<uint32_t> pixels;
    for (int i = 0; image != nullptr && i < width * height; ++i)
        pixels.push_back(XGetPixel(image, i % width, i / width) & mask);
    if (image != nullptr) XDestroyImage(image);
    return pixels;
}

struct Parts {
    // A run keeps its SIGTERM and SIGINT handlers; this program ends on them again.
    ~Parts() { std::signal(SIGTERM, SIG_DFL), std::signal(SIGINT, SIG_DFL); }
    MemorySettingsStore store;
    // The same stream whatever the clock reads at a seeding: equal runs draw equal pictures.
    struct : RandomStream {
        uint64_t state = 7;
        void Randomize(float) override {}
        float Rnd() override { return static_cast<float>((state = state * 6364136223846793005u + 1) >> 40) / 0x1p24f; }
    } random;
};

// A display window on fast settings, blue and reseeding every second tick, that lets a test act after each present.
struct Saver : Parts, X11DisplayWindow {
    explicit Saver(Window w, bool own = false, const char* colour = "3", std::string folder = CellBitmapFolder(""))
        : X11DisplayWindow(Server(), w, own, std::move(folder), store, random) {
        for (auto [key, text] : {std::pair{kSpeedKey, "1"}, {kDelayKey, "2"}, {kColorKey, colour}})
            store.Put(kApplicationTitle, kSettingsSection, key, text);
    }
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override {
        X11DisplayWindow::PresentFrame(frame, parts);
        ++presents, shown = &frame;
        if (afterPresent) afterPresent(presents);
    }
    std::function<void(int)> afterPresent;  // with the number of this present
    int presents = 0;
    const CellFrame* shown = nullptr;
};

// A window of 403 x 305 grown wider, then taller, then cleared with an Expose while it runs, and ended right after
// that: it shows its frame of 612 x 467, with cells in the parts added.
TEST(X11DisplayWindowTest, ShowsItsFrameThroughResizesAndExposesWithAndWithoutSharedMemory) {
    const uint32_t blue = LoadCellBitmap(CellBitmapFolder("") + "/cellblue.bmp").pixels[55];  // a cell's middle
    const uint32_t dead = LoadCellBitmap(CellBitmapFolder("") + "/deadcell.bmp").pixels[55];
    for (bool shm : {true, false}) {
        const Window w = NewWindow(403, 305);
        Saver saver(w);
        saver.allowShm = shm;
        std::string sizes;  // the frame's, as they change
        saver.afterPresent = [&](int n) {
            const CellFrame& f = *saver.shown;
            const std::string size = " " + std::to_string(f.Width()) + "x" + std::to_string(f.Height());
            if (!sizes.ends_with(size)) sizes += size;
            if (n == 2) XResizeWindow(Server(), w, 612, 305);
            if (n == 4) XResizeWindow(Server(), w, 612, 467);
            if (n == 9) XClearArea(Server(), w, 0, 0, 0, 0, True);
            if (n == 10) std::raise(SIGTERM);  // the end, before the next tick
            XSync(Server(), False);
        };
        EXPECT_EQ(saver.Run(), 0);
        const CellFrame& frame = *saver.shown;
        const std::vector<uint32_t> shot = Shot(w, 612, 467);
        ASSERT_TRUE(frame.Width() == 612 && frame.Height() == 467 && shot.size() == 612u * 467);
        int wrong = 0, added = 0, blues = 0, deads = 0;
        for (int i = 0, x = 0, y = 0; i < 612 * 467; x = ++i % 612, y = i / 612) {
            wrong += shot[i] != frame.Pixel(x, y), added += (x >= 410 || y >= 310) && shot[i] != 0;
            blues += shot[i] == blue, deads += shot[i] == dead;
        }
        EXPECT_EQ(sizes, " 403x305 612x305 612x467");
        const std::vector<MonitorArea> monitors = saver.Monitors();  // the window's own pixels, to the last column
        EXPECT_TRUE(monitors.size() == 1 && (monitors[0].rect == PixelRect{0, 0, 612, 467}) && monitors[0].dpi == 144);
        EXPECT_TRUE(wrong == 0 && added > 0 && deads > 0 && blues > 0) << shm << " " << wrong;
        XDestroyWindow(Server(), w);
    }
}

TEST(X11DisplayWindowTest, EndsWhenItsOwnWindowIsClosedOrAWindowVanishesAndNotOtherwise) {
    Display* d = Server();
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False), close = XInternAtom(d, "WM_DELETE_WINDOW", False);
    const auto key = [d](KeySym sym, unsigned state = 0) {
        return [=](Window w) {
            XEvent e{.xkey = {KeyPress, 0, True, d, w, 0, 0, 0, 0, 0, 0, 0, state, XKeysymToKeycode(d, sym), True}};
            XSendEvent(d, w, False, KeyPressMask, &e);
        };
    };
    const auto message = [=](std::vector<Atom> atoms) {
        return [=](Window w) {
            for (XEvent e{.xclient = {ClientMessage, 0, True, d, w, protocols, 32, {}}}; Atom atom : atoms)
                e.xclient.data.l[0] = long(atom), XSendEvent(d, w, False, 0, &e);
        };
    };
    // Each acts after the third present; a run that goes on ends at its tick limit.
    const struct {
        const char* what;
        bool own, ends;
        std::function<void(Window)> act;
        std::string err = "";
    } cases[] = {
        {"q", true, true, key(XK_q)},
        {"Q", true, true, key(XK_q, ShiftMask)},
        {"Escape", true, true, key(XK_Escape)},
        {"a", true, false, key(XK_a)},
        {"q in a window handed over", false, false, key(XK_q)},
        {"closed by a window manager, which sends the protocols the window takes part in", true, true, [=](Window w) {
             Atom* listed = nullptr;
             int n = 0;
             XGetWMProtocols(d, w, &listed, &n);
             EXPECT_TRUE(n == 1 && listed[0] == close) << n << " protocols: only WM_DELETE_WINDOW is taken part in";
             message(std::vector<Atom>(listed, listed + n))(w), XFree(listed);
         }},
        {"another protocol", true, false, message({protocols})},
        {"any protocol in a window handed over", false, false, message({0, 1, ~0ul, close})},
        {"SIGTERM", false, true, [](Window) { std::raise(SIGTERM); }},
        {"SIGINT", false, true, [](Window) { std::raise(SIGINT); }},
        {"the window moved", false, false, [d](Window w) { XMoveWindow(d, w, 5, 5); }},
        {"the window destroyed", false, true, [d](Window w) { XDestroyWindow(d, w); }},
        {"an X error elsewhere", false, false, [d](Window) { XMapWindow(d, 1); },
         "tovra: X error: BadWindow (invalid Window parameter) (request 8)\n"},
    };
    for (const auto& c : cases) {
        const Window w = NewWindow(123, 91);
        Saver saver(w, c.own);
        saver.store.Put(kApplicationTitle, kSettingsSection, kSpeedKey, "10");  // a tick every 10 ms
        if (!c.ends) saver.tickLimit = 6;
        saver.afterPresent = [&](int n) {
            if (n == 3) c.act(w);
            if (n == 20) std::raise(SIGTERM);  // it should have ended long ago
            XSync(d, False);
        };
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(saver.Run(), 0) << c.what;
        // Not faster than the speed says: six ticks take five intervals at least.
        EXPECT_TRUE(c.ends || std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(50)) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.what;
        EXPECT_EQ(saver.presents, c.ends ? 3 : 7) << c.what;
        EXPECT_FALSE(saver.SpritePixelsOf(1).loaded) << c.what << ": the sprites stay";
        XDestroyWindow(d, w);
    }
}

// The rectangles given (not the last here), clipped to the picture: drawn in
// the shared image, copied into it, put without it, and put without it by a
// server that refuses the segment: no X error then, and later frames cost only
// plain requests.
TEST(X11PresenterTest, PutsTheRectanglesGivenClippedToThePicture) {
    const FrameRect rects[] = {{-5, -4, 9, 8}, {30, 18, 20, 20}, {12, 6, 5, 3}, {20, 2, 0, 9},
                               {33, 2, 1, 5},  {2, 22, 6, 1},    {14, 14, 3, 3}};
    const std::span<const FrameRect> given(rects, std::size(rects) - 1);
    static int errors = 0;
    XSetErrorHandler([](Display*, XErrorEvent*) { return ++errors; });
    for (int path : {3, 0, 1, 2}) {  // a refusal first: it is one server's, not the program's
        Display* d = Server(path == 3);
        const Window w = NewWindow(37, 23, 0, 0, d);
        auto presenter = path % 3 == 0 ? std::make_unique<X11Presenter>(d, w)
                                       : std::make_unique<X11Presenter>(d, w, path == 1);
        EXPECT_TRUE(!presenter->Allocate(0, 23).pixels && !presenter->Allocate(37, 0).pixels);
        EXPECT_EQ(presenter->Allocate(1, 1).pixels != nullptr, path < 2);
        const FrameMemory image = presenter->Allocate(37, 23);
        ASSERT_EQ(image.pixels && image.stride >= 37 && image.bytesPerPixel == 4 && presenter->UsesShm(), path < 2);
        std::vector<uint32_t> own(40 * 23);
        uint32_t* pixels = path == 0 ? static_cast<uint32_t*>(image.pixels) : own.data();
        const int pitch = path == 0 ? image.stride : 40;
        for (int i = 0; i < 37 * 23; ++i) pixels[i / 37 * pitch + i % 37] = 0x10305u * (i + 1);
        const auto requests = [&](X11Presenter& p) {
            const unsigned long first = XNextRequest(d);
            p.Present(pixels, 37, 23, pitch, 4, given.data(), given.size());
            return XNextRequest(d) - first;
        };
        requests(*presenter);
        if (path == 3) {  // no second try at the segment: a frame costs what a plain one costs
            X11Presenter plain(d, w, false);
            EXPECT_EQ(requests(*presenter), requests(plain));
        }
        const std::vector<uint32_t> shot = Shot(w, 37, 23, d);
        EXPECT_TRUE(shot.size() == 37u * 23 && errors == 0) << path;
        for (int i = 0; i < int(shot.size()); ++i) {
            bool inside = false;
            for (const FrameRect& r : given)
                inside |= i % 37 >= r.x && i % 37 < r.x + r.width && i / 37 >= r.y && i / 37 < r.y + r.height;
            EXPECT_EQ(shot[i], inside ? 0x10305u * (i + 1) & 0xFFFFFF : 0) << path << " at " << i;
        }
        presenter.reset();  // and no shared memory is left behind: none made by this process
        std::ifstream segments("/proc/sysvipc/shm");
        for (long key, id, mode, size, maker; segments.ignore(1 << 12, '\n') >> key >> id >> mode >> size >> maker;)
            EXPECT_NE(maker, getpid()) << path;
        XDestroyWindow(d, w);
    }
}

// A shared image made, then a larger one the system refuses after a resize (a segment limit of 1 KiB
// in an IPC namespace of a child's own): no pixels to draw into, plain requests from then on, and the
// presenter ends cleanly, with nothing of the first image left to release twice.
TEST(X11PresenterTest, ASharedImageThatCannotBeMadeAgainEndsInPlainRequests) {
    const pid_t child = fork();
    if (child == 0) {  // on a connection of its own; _exit, so that the server the parent started stays
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr) _exit(2);
        auto presenter = std::make_unique<X11Presenter>(d, NewWindow(37, 23, 0, 0, d));
        const bool made = presenter->Allocate(37, 23).pixels != nullptr;
        std::ofstream limit;
        if (unshare(CLONE_NEWIPC) == 0 || unshare(CLONE_NEWUSER | CLONE_NEWIPC) == 0) limit.open("/proc/sys/kernel/shmmax");
        const bool limited = (limit << 1024 << std::flush).good();
        const bool refused = presenter->Allocate(40, 30).pixels == nullptr && !presenter->UsesShm();
        presenter.reset();
        _exit(made && limited && refused ? 0 : 3 + made + 2 * limited);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// A display window on the screens of depth 16, 30 and 15 and in a window of
// the 32-bit visual, with shared memory and without, against one in a 24-bit
// window: every pixel has, in each channel, the level nearest to the 24-bit
// one and all bits outside the channels set; with -fps, but for white text in
// the bottom-left corner. So for the bitmaps and for a drawn palette, aged,
// fading and in dots. A PseudoColor window is refused.
TEST(X11DisplayWindowTest, DrawsTheFrameInTheNearestColoursOfEveryTrueColorVisual) {
  for (const char* palette : {"Classic", "Sunset"}) {
    const auto look = [palette](Saver& saver) {
        if (std::string(palette) == "Classic") return;
        for (auto [key, text] : {std::pair{kPaletteKey, palette}, {kAgeColorsKey, "True"}, {kFadeKey, "4"}, {kCellShapeKey, "Dot"}, {kCellSizeKey, "20"}})
            saver.store.Put(kApplicationTitle, kSettingsSection, key, text);
    };
    Display* d = Server();
    XVisualInfo argb{};
    ASSERT_TRUE(XMatchVisualInfo(d, 0, 32, TrueColor, &argb));
    XSetWindowAttributes a{};
    a.colormap = XCreateColormap(d, DefaultRootWindow(d), argb.visual, AllocNone);
    const auto run = [](Saver& saver, Window w) {
        saver.tickLimit = 6;
        const int status = saver.Run();
        return status == 0 ? Shot(w, 173, 127, Server(), ~0u) : std::vector<uint32_t>{};
    };
    const Window plain = NewWindow(173, 127);
    Saver reference(plain, false, "4");
    look(reference);
    const std::vector<uint32_t> expected = run(reference, plain);
    static std::vector<uint32_t> classic;
    if (classic.empty()) classic = expected;
    else EXPECT_NE(expected, classic);
    XDestroyWindow(d, plain);
    for (auto [screen, shm, fps] : {std::tuple{1, true, false}, {1, false, true}, {2, true, true}, {2, false, false},
                                    {3, true, false}, {0, true, false}, {0, false, true}}) {
        const Window w = screen > 0 ? NewWindow(173, 127, 0, 0, d, screen)
                                    : XCreateWindow(d, DefaultRootWindow(d), 0, 0, 173, 127, 0, 32, InputOutput,
                                                    argb.visual, CWColormap | CWBorderPixel | CWBackPixel, &a);
        XMapWindow(d, w);
        XWindowAttributes attributes{};
        XGetWindowAttributes(d, w, &attributes);
        const Visual& v = *attributes.visual;
        Saver saver(w, false, "4");
        look(saver);
        saver.allowShm = shm, saver.showFps = fps;
        const std::vector<uint32_t> shot = run(saver, w);
        ASSERT_TRUE(shot.size() == expected.size()) << screen;
        const uint32_t all = attributes.depth == 32 ? ~0u : (1u << attributes.depth) - 1;
        int wrong = 0, text = 0, coloured = 0;
        for (int i = 0; i < int(shot.size()); ++i) {
            const uint32_t rgb = expected[i] & 0xFFFFFF;
            bool nearest = (shot[i] | v.red_mask | v.green_mask | v.blue_mask) == all;
            for (auto [mask, c] : {std::pair{v.red_mask, rgb >> 16}, {v.green_mask, rgb >> 8 & 0xFF}, {v.blue_mask, rgb & 0xFF}}) {
                const double top = double(mask >> std::countr_zero(mask)), level = double((shot[i] & mask) >> std::countr_zero(mask));
                nearest &= std::abs(level * 255 - c * top) <= 127.5;
            }
            const bool corner = i % 173 < 120 && i / 173 >= 127 - 50;
            text += corner && shot[i] == all, coloured += rgb != 0;
            wrong += !nearest && !(fps && corner);
        }
        EXPECT_TRUE(wrong == 0 && coloured > 0 && (text > 0) == fps) << palette << screen << shm << " " << wrong << " " << text;
        XDestroyWindow(d, w);
    }
  }
    EXPECT_EQ(X11Presenter(Server(true), NewWindow(9, 9, 0, 0, Server(true), 1)).Problem(),
              "the window's visual is not TrueColor of depth 15, 16, 24, 30 or 32 (depth 8)");
}

// Reduce flashing under Auto follows the desktop's XSETTINGS manager, started here: where it turns animations
// off, generations at 1 ms show a picture no more often than every 0.18 s; where there is none, where it turns
// them on or publishes them in another type, each generation is shown. A stored On or Off holds whatever it says.
TEST(X11DisplayWindowTest, ReduceFlashingFollowsTheDesktopsXSettings) {
    Display* d = Server();
    const Atom selection = XInternAtom(d, "_XSETTINGS_S0", False), settings = XInternAtom(d, "_XSETTINGS_SETTINGS", False);
    const struct { const char* what; bool manager; Atom type; unsigned char animations; const char* stored; bool reduces; } rows[] = {
        {"no manager", false, settings, 0, nullptr, false},
        {"animations off", true, settings, 0, nullptr, true},
        {"animations on", true, settings, 1, nullptr, false},
        {"a property of another type", true, XA_STRING, 0, nullptr, false},
        {"off, whatever the desktop says", true, settings, 0, "Off", false},
        {"on, whatever the desktop says", true, settings, 1, "on", true},
    };
    for (const auto& r : rows) {
        // Least significant byte first: serial 7, one integer setting, its serial 0 and its value.
        std::vector<unsigned char> bytes = {0, 0, 0, 0, 7, 0, 0, 0, 1, 0, 0, 0, 0, 0, 20, 0};
        for (char c : std::string("Gtk/EnableAnimations")) bytes.push_back(static_cast<unsigned char>(c));
        for (unsigned char b : {0, 0, 0, 0, int(r.animations), 0, 0, 0}) bytes.push_back(b);
        const Window owner = NewWindow(1, 1);
        XChangeProperty(d, owner, settings, r.type, 8, PropModeReplace, bytes.data(), static_cast<int>(bytes.size()));
        XSetSelectionOwner(d, selection, r.manager ? owner : None, CurrentTime);
        const Window w = NewWindow(173, 127);
        Saver saver(w);
        if (r.stored) saver.store.Put(kApplicationTitle, kSettingsSection, kReduceFlashingKey, r.stored);
        EXPECT_EQ(saver.SystemReducesMotion(), r.manager && r.type == settings && r.animations == 0) << r.what;
        saver.tickLimit = 40;
        ASSERT_EQ(saver.Run(), 0) << r.what;
        EXPECT_EQ(saver.presents < 20, r.reduces) << r.what << ": " << saver.presents << " pictures shown";
        XDestroyWindow(d, w), XDestroyWindow(d, owner);
    }
    XSetSelectionOwner(d, selection, None, CurrentTime);
}

// Pictures larger and smaller than a cell, named with the folder and either
// separator; a sprite's bitmap selected, deleted, and its context deleted.
TEST(X11BitmapTest, SpritesAreTheTopLeftOfTheirPictures) {
    const std::string folder = testing::TempDir() + "tovra-bitmaps";
    std::filesystem::create_directories(folder);
    const auto colour = [](int x, int y) { return uint32_t(20 * x + 3) << 16 | (20 * y + 5) << 8 | (x * y + 7); };
    Saver saver(0, false, "3", folder);
    for (auto [width, height, path] : {std::tuple{12, 11, folder + "\\c.bmp"}, {6, 4, folder + "/c.bmp"}}) {
        std::vector<unsigned char> rgb;
        for (int i = 0; i < width * height * 3; ++i)
            rgb.push_back(colour(i / 3 % width, i / 3 / width) >> (16 - i % 3 * 8));
        ASSERT_TRUE(stbi_write_bmp((folder + "/c.bmp").c_str(), width, height, 3, rgb.data()));
        std::array<uint32_t, 100> expected{};
        for (int i = 0; i < 100; ++i) expected[i] = i % 10 < width && i / 10 < height ? colour(i % 10, i / 10) : 0;
        const GdiHandle dc = saver.CreateCompatibleDC(), bitmap = saver.LoadBitmapFile(path);
        saver.SelectObject(dc, bitmap);
        EXPECT_TRUE(saver.SelectedBitmap(dc) == bitmap && saver.SpritePixelsOf(dc).pixels == expected) << path;
        EXPECT_EQ(saver.DeleteDC(bitmap), 0);
        saver.DeleteObject(bitmap);
        EXPECT_TRUE(!saver.SpritePixelsOf(dc).loaded && saver.DeleteDC(dc) == 1 && saver.SelectedBitmap(dc) == 0);
    }
    // The clock: local time since the last midnight, read within the second after `now`.
    const std::time_t now = std::time(nullptr);
    std::tm midnight = *std::localtime(&now);
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    const double since = std::difftime(now, std::mktime(&midnight)), reading = saver.SecondsSinceMidnight();
    EXPECT_TRUE(reading >= since && reading < since + 2) << reading << " " << since;
}

// BMP headers (or the old 12-byte ones, `core`) of `width` x `height` pixels of `bits` bits, in a file of `size` bytes,
// and other files that cannot be used: each reported once, naming the file and why, before anything large is read.
std::string BmpFile(int width, int height, int bits, std::size_t size, int compression = 0, bool core = false) {
    std::string file = "BM";
    for (int field : core ? std::vector{int(size), 0, 26, 12, width | height << 16, 1 | bits << 16}
                          : std::vector{int(size), 0, 54, 40, width, height, 1 | bits << 16, compression})
        for (int b = 0; b < 4; ++b) file += char(field >> 8 * b);
    file.resize(size, '\x40');
    return file;
}

TEST(X11BitmapTest, FilesThatCannotBeUsedAreReportedWithWhatIsWrong) {
    const std::string folder = testing::TempDir() + "tovra-bad-bitmaps";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/folder.bmp");
    const std::pair<std::string, std::string> cases[] = {
        {"missing", "No such file or directory"},
        {"folder", "it is not a file"},
        {"", "the file is empty"},
        {"GIF89a", "it is not a BMP picture"},
        {"BM\x7e\x01", "the file ends inside its header"},
        {BmpFile(20000, 20000, 24, 374), "its header claims 20000 x 20000 pixels; a cell picture may have at most 4096 x 4096"},
        {BmpFile(-3, 4097, 24, 374), "its header gives no pixels"},
        {BmpFile(3, -4097, 24, 374), "its header claims 3 x 4097 pixels; a cell picture may have at most 4096 x 4096"},
        {BmpFile(12, 11, 24, 449), "the file ends after 449 of the 450 bytes its header promises"},
        {BmpFile(12, 11, 24, 421, 0, true), "the file ends after 421 of the 422 bytes its header promises"},
        {BmpFile(12, 11, 24, 422, 0, true), ""},
        {BmpFile(4096, 4096, 1, 374), "the file ends after 374 of the 2097206 bytes its header promises"},
        {BmpFile(12, 11, 8, 1200, 1), "the picture cannot be decoded (BMP RLE)"},
        {BmpFile(12, 11, 24, 449, 1 << 24), "the picture cannot be decoded (BMP JPEG/PNG)"},  // no size check for it
        {BmpFile(4096, 2, 24, 54 + 4096 * 6), ""},
        {BmpFile(12, -11, 32, 54 + 12 * 11 * 4, 0), ""},
    };
    Saver saver(0, false, "3", folder);
    for (int i = 0; const auto& [content, why] : cases) {
        const std::string name = folder + "/" + (i++ < 2 ? content : "c" + std::to_string(i)) + ".bmp";
        if (i > 2) std::ofstream(name, std::ios::binary) << content;
        testing::internal::CaptureStderr();
        EXPECT_EQ(saver.LoadBitmapFile(folder + "\\" + name.substr(folder.size() + 1)) != 0, why.empty()) << why;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  why.empty() ? "" : "tovra: cannot use the cell bitmap " + name + ": " + why + "; its cells are not drawn\n");
    }
}

// Each picture against a display window's on the same settings in a window of
// the same size; a run in a window of its own leaves the others black.
TEST(SaverProgramTest, RunsWhereAndHowTheCommandLineResourcesAndEnvironmentSay) {
    Display* d = Server();
    const Window root = DefaultRootWindow(d);
    const std::string resources = "Tovra.Color: purple\ntovra.reseed: 2\ntovra.speed: 0 \t \ntovra.mode: maybe\n";
    XChangeProperty(d, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), int(resources.size()));
    XSelectInput(d, root, SubstructureNotifyMask);
    setenv("TOVRA_EXIT_AFTER_TICKS", "6", 1);
    const std::string warning =
        "tovra: resource tovra.mode: \"maybe\" is not allowed; use torus or island (using the default)\n";
    const std::string id = " is not allowed; use a window number from 1 to 0xffffffff, decimal or 0x hexadecimal\n";
    const struct {
        std::vector<std::string> args;
        const char* handedOver;  // "W": the window W
        int status;
        std::string out, err;
        char target;  // W, the Root window, its Own, or - none
        const char* colour;
        int cellSize = kDefaultCellSize;
    } cases[] = {
        {{"-window-id", "W"}, nullptr, 0, "", warning, 'W', "4"},
        {{"-xrm", "tovra.color: green"}, "W", 0, "", warning, 'W', "2"},
        {{"-root", "-color", "yellow", "-xrm", "tovra.color: green"}, "W", 0, "", warning, 'W', "1"},
        {{"-root", "-display", getenv("DISPLAY")}, nullptr, 0, "", warning, 'R', "4"},
        {{"-window"}, "W", 0, "", warning, 'O', ""},
        {{"-cell-size", "20", "-window-id", "W"}, nullptr, 0, "", warning, 'W', "4", 20},
        {{"-cell-size", "AUTO", "-xrm", "Xft.dpi: 192.0"}, "W", 0, "", warning, 'W', "4", 20},
        {{"-cell-size", "auto"}, "W", 0, "", warning, 'W', "4", 15},  // the server's 144 dots per inch
        {{"-cell-size", "9"}, nullptr, 2, "", "tovra: -cell-size: \"9\" is not allowed; use a whole number of pixels from 10 to 40, or auto\n" + SaverUsage(), '-', ""},
        {{"-help"}, "junk", 0, SaverUsage(), "", '-', ""},
        {{"-root"}, "junk", 2, "", "tovra: XSCREENSAVER_WINDOW: \"junk\"" + id, '-', ""},
        {{"-window-id", "0xffffffff"}, nullptr, 1, "", warning + "tovra: cannot draw on window 0xffffffff: the window cannot be read\n", '-', ""},
        {{"-display", ":65000"}, nullptr, 1, "", "tovra: cannot open display \":65000\"\n", '-', ""},
    };
    for (const auto& c : cases) {
        const Window w = NewWindow(173, 127, 840, 620);
        if (c.target == 'R') XUnmapWindow(d, w);
        XSync(d, True);
        std::vector<std::string> args = c.args;
        for (std::string& a : args) a = a == "W" ? std::to_string(w) : a;
        if (c.handedOver == nullptr) unsetenv("XSCREENSAVER_WINDOW");
        else setenv("XSCREENSAVER_WINDOW", *c.handedOver == 'W' ? std::to_string(w).c_str() : c.handedOver, 1);
        Parts parts;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunSaverProgram(args, parts.random), c.status) << args[0];
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << args[0];
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << args[0];
        std::string own;  // the windows the run created, mapped and destroyed
        for (XEvent e; XPending(d) > 0 && XNextEvent(d, &e) == 0;) {
            const XCreateWindowEvent& n = e.xcreatewindow;
            own += e.type == MapNotify ? " mapped" : e.type == DestroyNotify ? " destroyed" : "";
            if (e.type == CreateNotify) own += std::to_string(n.width) + "x" + std::to_string(n.height);
        }
        EXPECT_EQ(own, c.target == 'O' ? "800x600 mapped destroyed" : "") << args[0];
        const bool onRoot = c.target == 'R';
        const int width = onRoot ? 1024 : 173, height = onRoot ? 768 : 127;
        const std::vector<uint32_t> shot = Shot(onRoot ? root : w, width, height);
        std::vector<uint32_t> expected(shot.size());
        if (c.target == 'W' || onRoot) {
            const Window reference = NewWindow(width, height);
            Saver saver(reference, false, c.colour);
            saver.tickLimit = 6;
            saver.store.Put(kApplicationTitle, kSettingsSection, kCellSizeKey, std::to_string(c.cellSize));
            saver.Run();
            expected = Shot(reference, width, height);
            XDestroyWindow(d, reference);
        }
        EXPECT_TRUE(shot == expected && !shot.empty()) << args[0];
        XDestroyWindow(d, w);
    }
    XSelectInput(d, root, NoEventMask);
    XDeleteProperty(d, root, XA_RESOURCE_MANAGER);
    XSync(d, True);
    unsetenv("TOVRA_EXIT_AFTER_TICKS");
    unsetenv("XSCREENSAVER_WINDOW");
}

// -seeding and -patterns seed as the stored settings do, which differs from a random seeding.
TEST(SaverProgramTest, SeedsFromThePatternLibraryAndFolderTheOptionsName) {
    const std::string folder = std::filesystem::temp_directory_path() / "tovra-x11-patterns";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/ring.cells") << ".OO.\nO..O\n.OO.\n";
    setenv("TOVRA_EXIT_AFTER_TICKS", "1", 1);
    unsetenv("XSCREENSAVER_WINDOW");
    for (auto [mode, number] : {std::pair{"patterns", "1"}, {"mixed", "2"}}) {
        std::vector<uint32_t> shots[3];  // the program's, the settings', a random seeding's
        for (int run = 0; run < 3; ++run) {
            const Window w = NewWindow(420, 300);
            Saver saver(w, false, "0");
            const std::pair<const char*, std::string> settings[] = {
                {kSpeedKey, "300"}, {kDelayKey, "2000"}, {kSeedingKey, run == 1 ? number : "0"}, {kPatternsKey, folder}};
            for (const auto& [key, text] : settings) saver.store.Put(kApplicationTitle, kSettingsSection, key, text);
            saver.tickLimit = 1;
            EXPECT_EQ(run ? saver.Run() : RunSaverProgram({"-window-id", std::to_string(w), "-seeding", mode, "-patterns", folder}, saver.random), 0);
            shots[run] = Shot(w, 420, 300);
            XDestroyWindow(Server(), w);
        }
        EXPECT_TRUE(shots[0] == shots[1] && shots[0] != shots[2] && !shots[0].empty()) << mode;
    }
    unsetenv("TOVRA_EXIT_AFTER_TICKS");
    std::filesystem::remove_all(folder);
}

// The program itself, copied beside a cell.bmp of 374 bytes whose header claims 20000 x 20000 pixels, and no other
// bitmap: it says what is wrong and runs, and SIGTERM (once it has begun, or after 2 s) ends it, by that signal, within
// a second, having used less than 100 MB.
TEST(SaverProgramTest, EndsBySigtermWithinASecondWhateverItsBitmapsClaim) {
    const std::string folder = testing::TempDir() + "tovra-program", program = folder + "/tovra", log = folder + "/err";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(ProgramFileFolder() + "/tovra", program);
    std::ofstream(folder + "/cell.bmp", std::ios::binary) << BmpFile(20000, 20000, 24, 374);
    const Window w = NewWindow(300, 200);
    const std::string id = std::to_string(w);
    const pid_t pid = fork();
    if (pid == 0 && std::freopen(log.c_str(), "w", stderr) != nullptr)
        execl(program.c_str(), "tovra", "-window-id", id.c_str(), nullptr);
    if (pid == 0) _exit(127);
    const auto messages = [&] {
        std::ifstream in(log);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (int i = 0; i < 200 && !messages().ends_with(TOVRA_DATA_DIR "\n"); ++i) usleep(10000);
    // Its peak memory so far (its own: a child's rusage counts the test's memory it was forked with).
    long peak = 0;
    std::ifstream proc("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(proc, line);)
        if (line.starts_with("VmHWM:")) peak = std::stol(line.substr(6));
    kill(pid, SIGTERM);
    const auto sent = std::chrono::steady_clock::now();
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() - sent < std::chrono::seconds(3))
        usleep(10000);
    const auto took = std::chrono::steady_clock::now() - sent;
    if (ended == 0) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_TRUE(peak > 0 && peak < 100 * 1024) << peak << " KB";
    const std::string text = messages();
    EXPECT_TRUE(text.starts_with("tovra: cannot use the cell bitmap " + folder + "/cell.bmp: its header claims 20000 x "
                                 "20000 pixels; a cell picture may have at most 4096 x 4096; its cells are not drawn\n") &&
                text.ends_with("/deadcell.bmp: No such file or directory; its cells are not drawn\ntovra: no cell bitmap "
                               "can be used, so no cells are drawn; they are looked for beside the program in " +
                               folder + " and in " TOVRA_DATA_DIR "\n") &&
                std::ranges::count(text, '\n') == 7)
        << text;
    XDestroyWindow(Server(), w);
}

// tovra-enable's edit of ~/.xscreensaver: the list's entries as a plain reader sees them (lines joined, split at "\n"),
// before and after; every other byte kept; a second run changes nothing.
// The entries of the last programs resource, blanks around them dropped.
std::vector<std::string> ListOf(std::string text) {
    text = std::regex_replace(text, std::regex("\\\\\r?\n"), "");
    const std::regex resource("(^|\n)[ \t]*\\*?programs[ \t]*:([^\r\n]*)");
    std::string value;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), resource); it != std::sregex_iterator(); ++it)
        value = (*it)[2];
    std::vector<std::string> entries;
    for (std::size_t start = 0, stop = 0; start < value.size(); start = stop + 2) {
        stop = std::min(value.find("\\n", start), value.size());
        const std::string e = std::regex_replace(value.substr(start, stop - start), std::regex("^\\s+|\\s+$"), "");
        if (!e.empty()) entries.push_back(e);
    }
    return entries;
}

TEST(ProgramsList, TovraJoinsTheListOnceAndNothingElseChanges) {
    const std::string system = "*mode: random\n*programs:\t\t\\\n\t\tmaze -root\t\\n\\\n- GL:\t\tqix -root \\n\n*lock: False\n";
    const std::string list = "programs:\t\t\\\n\t\tmaze -root\t\\n\\\n-\t\"Q\" qix -root\t\\n\n";
    const std::string tovra = kTovraEntry;
    const struct {
        std::string file, system;
        ListChange change;
        std::vector<std::string> entries;  // after
    } cases[] = {
        {"", system, ListChange::Added, {"maze -root", "- GL:\t\tqix -root", tovra}},
        {"", "", ListChange::Added, {tovra}},
        {"mode: one\nselected: 1", system, ListChange::Added, {"maze -root", "- GL:\t\tqix -root", tovra}},
        {"lock: True\n" + list + "\nfade: False\n", system, ListChange::Added, {"maze -root", "-\t\"Q\" qix -root", tovra}},
        {"programs: maze -root\nlock: False\n", system, ListChange::Added, {"maze -root", tovra}},
        {"programs:\nlock: False\n", system, ListChange::Added, {tovra}},
        {"programs:\\\r\n\tmaze -root \\n\\\r\n\tqix\t\\n\r\nlock: False\r\n", "", ListChange::Added, {"maze -root", "qix", tovra}},
        {"programs: \\\n\tmaze -root \\n\\", "", ListChange::Added, {"maze -root", tovra}},
        {"programs: tovra -root\n" + list, "", ListChange::Added, {"maze -root", "-\t\"Q\" qix -root", tovra}},
        {"programs: tovrax -root \\n\\\n\tmaze -root -\\n", "", ListChange::Added, {"tovrax -root", "maze -root -", tovra}},
        {"programs: \\\n-\t\ttovra -root -rainbow\t\\n\\\n- GL: \"T\" tovra\t\\n\n", "", ListChange::SwitchedOn,
         {"tovra -root -rainbow", "- GL: \"T\" tovra"}},
        {"programs: GL: \"\" tovra -root\n", "", ListChange::AlreadyOn, {"GL: \"\" tovra -root"}},
        {"programs: - tovra -root \\n\\\n GL: \"Tovra\" /usr/libexec/xscreensaver/tovra\t\\n\n", "", ListChange::AlreadyOn,
         {"- tovra -root", "GL: \"Tovra\" /usr/libexec/xscreensaver/tovra"}},
    };
    for (const auto& c : cases) {
        const ProgramsEdit edit = AddTovraToPrograms(c.file, c.system);
        EXPECT_EQ(edit.change, c.change) << c.file;
        EXPECT_EQ(ListOf(edit.text), c.entries) << edit.text;
        // The file with something added at one place, or its switched-off entry's "-" taken away.
        std::size_t same = 0;
        while (same < c.file.size() && same < edit.text.size() && c.file[same] == edit.text[same]) ++same;
        EXPECT_TRUE(c.change == ListChange::SwitchedOn
                        ? c.file[same] == '-' && edit.text == c.file.substr(0, same) + c.file.substr(same + 1)
                        : edit.text.size() >= c.file.size() && edit.text.ends_with(c.file.substr(same)))
            << edit.text;
        const ProgramsEdit again = AddTovraToPrograms(edit.text, c.system);
        EXPECT_TRUE(again.change == ListChange::AlreadyOn && again.text == edit.text) << edit.text;
    }
}

// tovra-enable itself, in a home of its own whose settings file is a link: the file behind the link gets Tovra, keeping
// its permissions; a second run finds Tovra on; a folder in the file's place is reported and no temporary file is left.
TEST(ProgramsList, TovraEnableEditsTheFileBehindTheLink) {
    namespace fs = std::filesystem;
    const std::string home = testing::TempDir() + "tovra-home", file = home + "/settings";
    fs::remove_all(home);
    fs::create_directories(home);
    std::ofstream(file) << "lock: True\n";
    fs::permissions(file, fs::perms(0604));
    fs::create_symlink(file, home + "/.xscreensaver");
    const auto run = [&](const std::string& how = "") {  // `how`: instead of this home
        std::string said;
        FILE* p = popen(((how.empty() ? "HOME=" + home : how) + " " + ProgramFileFolder() + "/tovra-enable 2>&1").c_str(), "r");
        for (int c; p != nullptr && (c = std::fgetc(p)) != EOF;) said += static_cast<char>(c);
        return said + "status " + std::to_string(p != nullptr ? WEXITSTATUS(pclose(p)) : -1);
    };
    const std::string where = " your display modes in " + file;
    EXPECT_EQ(run(), "tovra-enable: Tovra is now on" + where + "; choose it in xscreensaver-settings\nstatus 0");
    EXPECT_EQ(run(), "tovra-enable: Tovra is already on" + where + "\nstatus 0");
    std::ifstream in(file);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(text.starts_with("lock: True\n") && std::ranges::count(ListOf(text), std::string(kTovraEntry)) == 1) << text;
    EXPECT_TRUE(fs::is_symlink(home + "/.xscreensaver") && fs::status(file).permissions() == fs::perms(0604));
    fs::remove(home + "/.xscreensaver");
    fs::create_directory(home + "/.xscreensaver");
    EXPECT_EQ(run(), "tovra-enable: cannot write " + home + "/.xscreensaver: Is a directory\nstatus 1");
    EXPECT_EQ(std::distance(fs::directory_iterator(home), {}), 2);
    // No HOME, and a user id the system does not know: no home folder to edit.
    EXPECT_EQ(run("unshare --user --map-user=4242424 env -u HOME"),
              "tovra-enable: cannot tell your home folder: HOME is not set\nstatus 1");
    fs::remove_all(home);
}

}  // namespace
}  // namespace tovra
