// The X11 layer on a private Xvfb: the display window's picture against its
// form's frame, through shared memory and without, resizes, repaints, closing
// and a vanished window; the presenter's rectangles; the cell bitmaps; and the
// program's run from its command line, resources and environment.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
// After GoogleTest, which has names that Xlib defines as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stb/stb_image_write.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>

#include "display/x11/X11DisplayWindow.h"
#include "settings/SaverSettings.h"
#include "shell/SaverOptions.h"
#include "x11/SaverProgram.h"

namespace tovra {
namespace {

// One Xvfb for the test program, on a display number it picks; ended by its
// pid at exit, or with this process.
Display* Server() {
    static pid_t pid = -1;
    static Display* display = []() -> Display* {
        int fds[2];
        if (pipe(fds) != 0 || (pid = fork()) < 0) return nullptr;
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", "-br", nullptr);
            _exit(127);
        }
        std::atexit([] {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        });
        close(fds[1]);
        std::string number;
        for (char c; read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
        if (number.empty() || setenv("DISPLAY", (":" + number).c_str(), 1) != 0) return nullptr;
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        return XOpenDisplay(nullptr);
    }();
    if (display == nullptr) ADD_FAILURE() << "Xvfb does not start";
    return display;
}

Window NewWindow(int width, int height, int x = 0, int y = 0) {
    const Window w = XCreateSimpleWindow(Server(), DefaultRootWindow(Server()), x, y, width, height, 0, 0, 0);
    XMapWindow(Server(), w);
    XSync(Server(), False);
    return w;
}

// The window's pixels, row by row, as 0x00RRGGBB; none when it cannot be read.
std::vector<uint32_t> Shot(Window w, int width, int height) {
    XImage* image = XGetImage(Server(), w, 0, 0, width, height, AllPlanes, ZPixmap);
    std::vector<uint32_t> pixels;
    for (int y = 0; image != nullptr && y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    if (image != nullptr) XDestroyImage(image);
    return pixels;
}

// The same stream whatever the clock reads at a seeding: equal runs draw equal pictures.
struct FixedRandom : RandomStream {
    uint64_t state = 7;
    void Randomize(float) override {}
    float Rnd() override {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<float>(state >> 40) / 16777216.0f;
    }
};
struct Parts {
    MemorySettingsStore store;
    FixedRandom random;
};

// A display window on fast settings (in `colour`, reseeding every second
// tick) that lets a test act before each present.
struct Saver : Parts, X11DisplayWindow {
    explicit Saver(Window w, bool own = false, const char* colour = "3", std::string folder = CellBitmapFolder(""))
        : X11DisplayWindow(Server(), w, own, std::move(folder), store, random) {
        for (auto [key, text] : {std::pair{kSpeedKey, "1"}, {kDelayKey, "2"}, {kColorKey, colour}})
            store.Put(kApplicationTitle, kSettingsSection, key, text);
        tickLimit = 6;
    }
    void PresentFrame(const CellFrame& frame, const std::vector<FrameRect>& parts) override {
        shown = &frame;
        if (beforePresent) beforePresent(presents + 1);
        ++presents;
        X11DisplayWindow::PresentFrame(frame, parts);
    }
    std::function<void(int)> beforePresent;  // with the number of this present
    int presents = 0;
    const CellFrame* shown = nullptr;
};

// Checks that the window shows `frame` of width x height exactly, with the
// strips beyond the last whole cell black; counts its 10 x 10 squares that
// are the live cell of `colour`, the dead cell, black, or something else.
std::array<int, 4> ExpectShows(Window w, const CellFrame& frame, int width, int height, const char* colour = "blue") {
    const std::vector<uint32_t> shot = Shot(w, width, height);
    EXPECT_TRUE(frame.Width() == width && frame.Height() == height && shot.size() == std::size_t(width) * height);
    int wrong = 0, strips = 0;
    for (int y = 0; y < frame.Height() && !shot.empty(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            wrong += shot[y * width + x] != frame.Pixel(x, y);
            strips += (x >= width / 10 * 10 || y >= height / 10 * 10) && shot[y * width + x] != 0;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(strips, 0);
    const std::string folder = CellBitmapFolder("");
    const auto live = LoadCellBitmap(folder + "/cell" + colour + ".bmp").pixels;
    const auto dead = LoadCellBitmap(folder + "/deadcell.bmp").pixels;
    std::array<int, 4> counts{};
    for (int cy = 0; cy < height / 10 && !shot.empty(); ++cy)
        for (int cx = 0; cx < width / 10; ++cx) {
            std::array<uint32_t, 100> s;
            for (int i = 0; i < 100; ++i) s[i] = shot[(cy * 10 + i / 10) * width + cx * 10 + i % 10];
            ++counts[s == live ? 0 : s == dead ? 1 : s == decltype(s){} ? 2 : 3];
        }
    EXPECT_EQ(counts[3], 0) << "squares that are no whole cell";
    return counts;
}

TEST(X11DisplayWindowTest, ShowsItsFrameInCellsWithAndWithoutSharedMemory) {
    ASSERT_NE(Server(), nullptr);
    // Without the blue bitmap, live cells draw nothing and dead ones still draw.
    const std::string bare = testing::TempDir() + "tovra-bare";
    std::filesystem::create_directories(bare);
    for (const char* name : {"cell", "cellyellow", "cellgreen", "cellpurple", "deadcell"})
        std::filesystem::copy_file(CellBitmapFolder("") + "/" + name + ".bmp", bare + "/" + name + ".bmp",
                                   std::filesystem::copy_options::overwrite_existing);
    for (auto [shm, folder] : {std::pair{true, CellBitmapFolder("")}, {false, CellBitmapFolder("")}, {true, bare}}) {
        const Window w = NewWindow(403, 305);
        Saver saver(w, false, "3", folder);
        saver.allowShm = shm;
        EXPECT_EQ(saver.Run(), 0);
        const auto counts = ExpectShows(w, *saver.shown, 403, 305);
        EXPECT_EQ(counts[0] > 0, folder != bare) << folder;
        EXPECT_GT(counts[1], 0);
        XDestroyWindow(Server(), w);
    }
}

TEST(X11DisplayWindowTest, FollowsResizesAndRepaintsAfterAnExpose) {
    // Grown wider, then taller, then cleared with an Expose, all while it runs.
    const Window w = NewWindow(403, 305);
    Saver saver(w);
    saver.tickLimit = 10;
    saver.beforePresent = [&](int n) {
        if (n == 2) XResizeWindow(Server(), w, 612, 305);
        if (n == 4) XResizeWindow(Server(), w, 612, 467);
        if (n == 6) XClearArea(Server(), w, 0, 0, 0, 0, True);
        XSync(Server(), False);
    };
    EXPECT_EQ(saver.Run(), 0);
    ExpectShows(w, *saver.shown, 612, 467);
    int added = 0;
    for (int y = 0; y < 467; ++y)
        for (int x = 0; x < 612; ++x) added += (x >= 410 || y >= 310) && saver.shown->Pixel(x, y) != 0;
    EXPECT_GT(added, 0) << "cells in the parts the resizes added";
    XDestroyWindow(Server(), w);
}

TEST(X11DisplayWindowTest, EndsWhenItsOwnWindowIsClosedOrAnyWindowVanishes) {
    Display* d = Server();
    ASSERT_NE(d, nullptr);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False), close = XInternAtom(d, "WM_DELETE_WINDOW", False);
    const auto key = [d](KeySym sym, unsigned state) {
        return [=](Window w) {
            XEvent e{};
            e.xkey = {KeyPress, 0, True, d, w, DefaultRootWindow(d), 0, 0, 0, 0, 0, 0, state,
                      XKeysymToKeycode(d, sym), True};
            XSendEvent(d, w, False, KeyPressMask, &e);
        };
    };
    const auto message = [=](Atom atom) {
        return [=](Window w) {
            XEvent e{};
            e.xclient = {ClientMessage, 0, True, d, w, protocols, 32, {}};
            e.xclient.data.l[0] = static_cast<long>(atom);
            XSendEvent(d, w, False, 0, &e);
        };
    };
    const struct {
        const char* what;
        bool own, ends;
        std::function<void(Window)> act;
    } cases[] = {
        {"q", true, true, key(XK_q, 0)},
        {"Q", true, true, key(XK_q, ShiftMask)},
        {"Escape", true, true, key(XK_Escape, 0)},
        {"a", true, false, key(XK_a, 0)},
        {"q in a window handed over", false, false, key(XK_q, 0)},
        {"WM_DELETE_WINDOW", true, true, message(close)},
        {"another protocol", true, false, message(protocols)},
        {"no protocol in a window handed over", false, false, message(None)},
        {"SIGTERM", false, true, [](Window) { std::raise(SIGTERM); }},
        {"the window destroyed", false, true, [d](Window w) { XDestroyWindow(d, w); }},
    };
    for (const auto& c : cases) {
        const Window w = NewWindow(123, 91);
        Saver saver(w, c.own);
        saver.beforePresent = [&](int n) {
            if (n == 3) c.act(w);
            XSync(d, False);
        };
        testing::internal::CaptureStderr();
        EXPECT_EQ(saver.Run(), 0) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.what;
        EXPECT_EQ(saver.presents == 3, c.ends) << c.what << ": " << saver.presents << " presents";
        XDestroyWindow(d, w);
        XSync(d, False);
    }
}

TEST(X11DisplayWindowTest, RefusesAWindowItCannotDrawOn) {
    Display* d = Server();
    ASSERT_NE(d, nullptr);
    const Window inputOnly = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 9, 9, 0, 0, InputOnly, nullptr, 0, nullptr);
    const Window gone = NewWindow(9, 9);
    XDestroyWindow(d, gone);
    for (auto [w, problem] : {std::pair{inputOnly, "the window's visual is not 24-bit TrueColor (depth 0)"},
                              {gone, "the window cannot be read"}}) {
        Saver saver(w);
        testing::internal::CaptureStderr();
        EXPECT_EQ(saver.Run(), 1);
        EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::EndsWith(std::string(problem) + "\n"));
    }
}

TEST(X11PresenterTest, PutsTheRectanglesGivenClippedToThePicture) {
    const FrameRect rects[] = {{-5, -4, 9, 8}, {30, 18, 20, 20}, {12, 6, 5, 3}, {20, 2, 0, 9}};
    const auto inside = [&](int x, int y) {
        for (const FrameRect& r : rects)
            if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
        return false;
    };
    // Drawn in the shared image, copied into it, and put without it.
    for (int path : {0, 1, 2}) {
        const Window w = NewWindow(37, 23);
        X11Presenter presenter(Server(), w, path < 2);
        int stride = 0;
        uint32_t* image = presenter.Allocate(37, 23, stride);
        ASSERT_EQ(image != nullptr && stride >= 37 && presenter.UsesShm(), path < 2);
        std::vector<uint32_t> own(40 * 23);
        uint32_t* pixels = path == 0 ? image : own.data();
        const int pitch = path == 0 ? stride : 40;
        for (int i = 0; i < 37 * 23 && pixels != nullptr; ++i) pixels[i / 37 * pitch + i % 37] = 0x10305 * (i + 1);
        presenter.Present(pixels, 37, 23, pitch, rects, std::size(rects));
        const std::vector<uint32_t> shot = Shot(w, 37, 23);
        ASSERT_EQ(shot.size(), 37u * 23);
        for (int i = 0; i < 37 * 23; ++i)
            EXPECT_EQ(shot[i], inside(i % 37, i / 37) ? 0x10305u * (i + 1) & 0xFFFFFF : 0) << path << " at " << i;
        XDestroyWindow(Server(), w);
    }
}

TEST(X11BitmapTest, SpritesAreTheTopLeftOfTheirPictureFromTheFolderWithEitherSeparator) {
    ASSERT_NE(Server(), nullptr);
    const std::string folder = testing::TempDir() + "tovra-bitmaps";
    std::filesystem::create_directories(folder);
    const auto colour = [](int x, int y) { return uint32_t(20 * x + 3) << 16 | uint32_t(20 * y + 5) << 8 | (x * y + 7); };
    for (auto [width, height] : {std::pair{12, 11}, {6, 4}}) {
        std::vector<unsigned char> rgb;
        for (int i = 0; i < width * height; ++i)
            for (int shift : {16, 8, 0}) rgb.push_back(colour(i % width, i / width) >> shift & 0xFF);
        ASSERT_TRUE(stbi_write_bmp((folder + "/c.bmp").c_str(), width, height, 3, rgb.data()));
        SpritePixels expected{true, {}};
        for (int i = 0; i < 100; ++i) expected.pixels[i] = i % 10 < width && i / 10 < height ? colour(i % 10, i / 10) : 0;
        Saver saver(None, false, "3", folder);
        for (const std::string& path : {folder + "\\c.bmp", folder + "/c.bmp"}) {
            const GdiHandle dc = saver.CreateCompatibleDC(), bitmap = saver.LoadBitmapFile(path);
            saver.SelectObject(dc, bitmap);
            EXPECT_EQ(saver.SelectedBitmap(dc), bitmap);
            EXPECT_EQ(saver.SpritePixelsOf(dc).pixels, expected.pixels) << path << " of " << width;
            EXPECT_EQ(saver.DeleteDC(bitmap), 0);
            saver.DeleteObject(bitmap);
            EXPECT_FALSE(saver.SpritePixelsOf(dc).loaded);
            EXPECT_EQ(saver.DeleteDC(dc), 1);
            EXPECT_EQ(saver.SelectedBitmap(dc), 0);
        }
        for (const std::string& path : {folder + "\\missing.bmp", "x" + folder + "\\c.bmp"})
            EXPECT_EQ(saver.LoadBitmapFile(path), 0) << path;
    }
}

TEST(SaverProgramTest, ExitStatusesAndMessages) {
    ASSERT_NE(Server(), nullptr);
    const std::string speed = "tovra: -speed: \"301\" is not allowed; use a whole number of milliseconds from 0 (fastest) to 300";
    const struct {
        std::vector<std::string> args;
        const char* handedOver;
        int status;
        std::string out, err;
    } cases[] = {
        {{"-speed", "301"}, nullptr, 2, "", speed + "\n" + SaverUsage()},
        {{"-help"}, "junk", 0, SaverUsage(), ""},
        {{"-root"}, "junk", 2, "", "tovra: XSCREENSAVER_WINDOW: \"junk\" is not a window number\n"},
        {{"-display", ":65000"}, nullptr, 1, "", "tovra: cannot open display \":65000\"\n"},
    };
    for (const auto& c : cases) {
        c.handedOver != nullptr ? setenv("XSCREENSAVER_WINDOW", c.handedOver, 1) : unsetenv("XSCREENSAVER_WINDOW");
        FixedRandom random;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunSaverProgram(c.args, random), c.status) << c.args[0];
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.args[0];
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.args[0];
    }
    unsetenv("XSCREENSAVER_WINDOW");
}

TEST(SaverProgramTest, DrawsWhereItIsToldInTheColourItIsGiven) {
    Display* d = Server();
    ASSERT_NE(d, nullptr);
    const Window root = DefaultRootWindow(d);
    const std::string resources = "Tovra.Color: purple\ntovra.reseed: 2\ntovra.speed: 0\ntovra.mode: maybe\n";
    XChangeProperty(d, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    setenv("TOVRA_EXIT_AFTER_TICKS", "6", 1);
    const std::string warning = "tovra: resource tovra.mode: \"maybe\" is not allowed; use torus or island (using the default)\n";
    enum Target { kGiven, kRoot, kOwn };
    const struct {
        std::vector<std::string> args;
        const char* handedOver;  // "W": the given window
        Target target;
        const char* colour;
    } cases[] = {
        {{"-window-id", "W"}, nullptr, kGiven, "4"},
        {{"-xrm", "tovra.color: green"}, "W", kGiven, "2"},
        {{"-root", "-color", "yellow", "-xrm", "tovra.color: green"}, "W", kGiven, "1"},
        {{"-root", "-display", getenv("DISPLAY")}, nullptr, kRoot, "4"},
        {{"-window"}, "W", kOwn, ""},
        {{}, "", kOwn, ""},
    };
    XSelectInput(d, root, SubstructureNotifyMask);
    for (const auto& c : cases) {
        const Window w = NewWindow(173, 127, 840, 620);
        if (c.target == kRoot) XUnmapWindow(d, w);
        XSync(d, True);
        std::vector<std::string> args = c.args;
        for (std::string& a : args) a = a == "W" ? std::to_string(w) : a;
        c.handedOver != nullptr ? setenv("XSCREENSAVER_WINDOW", *c.handedOver == 'W' ? std::to_string(w).c_str() : "", 1)
                                : unsetenv("XSCREENSAVER_WINDOW");
        FixedRandom random;
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunSaverProgram(args, random), 0) << args[0];
        EXPECT_EQ(testing::internal::GetCapturedStderr(), warning);
        XSync(d, False);
        std::string own;  // the windows the run created, mapped and destroyed
        for (XEvent e; XPending(d) > 0;) {
            XNextEvent(d, &e);
            const XCreateWindowEvent& n = e.xcreatewindow;
            if (e.type == CreateNotify)
                own += std::to_string(n.x) + "," + std::to_string(n.y) + " " + std::to_string(n.width) + "x" +
                       std::to_string(n.height) + "+" + std::to_string(n.border_width);
            own += e.type == MapNotify ? " mapped" : e.type == DestroyNotify ? " destroyed" : "";
        }
        EXPECT_EQ(own, c.target == kOwn ? "0,0 800x600+0 mapped destroyed" : "") << args[0];
        const Window target = c.target == kRoot ? root : w;
        const int width = c.target == kRoot ? 1024 : 173, height = c.target == kRoot ? 768 : 127;
        const std::vector<uint32_t> shot = Shot(target, width, height);
        std::vector<uint32_t> expected(shot.size());
        if (c.target != kOwn) {
            const Window reference = NewWindow(width, height);
            Saver saver(reference, false, c.colour);
            saver.Run();
            expected = Shot(reference, width, height);
            XDestroyWindow(d, reference);
        }
        EXPECT_TRUE(shot == expected && !shot.empty()) << args[0];
        XDestroyWindow(d, w);
    }
    XSelectInput(d, root, NoEventMask);
    XSync(d, True);
    XDeleteProperty(d, root, XA_RESOURCE_MANAGER);
    unsetenv("TOVRA_EXIT_AFTER_TICKS");
}

}  // namespace
}  // namespace tovra
