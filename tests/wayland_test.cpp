// tovra-wayland's platform-free parts: its command line, how it starts on
// what a compositor offers, the buffer size at an output's scale, and the
// buffers the frame goes through, against a compositor that holds them.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "display/SurfaceBuffers.h"
#include "shell/SaverOptions.h"
#include "shell/WaylandStart.h"

namespace tovra {
namespace {

TEST(WaylandOptions, SurfacesOutputsInputAndTheSharedSettings) {
    const std::string usage = "; use background, bottom, top or overlay";
    const struct {
        std::vector<std::string> args;
        std::string error;  // a part of it; empty: accepted
        WaylandSurfaceKind surface = WaylandSurfaceKind::Default;
        std::optional<WaylandLayer> layer = {};
        std::string output = "";
        bool exitOnInput = false;
    } cases[] = {
        {{}, ""},
        {{"-layer", "OVERLAY ", "--exit-on-input", "-output", "DP-1", "-speed", "5", "-rainbow"}, "",
         WaylandSurfaceKind::Layer, WaylandLayer::Overlay, "DP-1", true},
        {{"--layer", "bottom"}, "", WaylandSurfaceKind::Layer, WaylandLayer::Bottom},
        {{"-layer", "background"}, "", WaylandSurfaceKind::Layer, WaylandLayer::Background},
        {{"-fullscreen", "-output", "HDMI-A-1"}, "", WaylandSurfaceKind::Fullscreen, {}, "HDMI-A-1"},
        {{"-layer", "top", "-fullscreen"}, "tovra-wayland: -layer and -fullscreen cannot be used together"},
        {{"-layer", "side"}, "tovra-wayland: -layer: \"side\" is not allowed" + usage},
        {{"-layer", "topp"}, usage},
        {{"-layer", "top", "-layer", "side"}, "\"side\" is not allowed" + usage},
        {{"-layer"}, "tovra-wayland: -layer needs a value: background"},
        {{"-output", ""}, "tovra-wayland: -output: \"\" is not allowed; use an output's name"},
        {{"-root"}, "tovra-wayland: unknown option \"-root\""},
        {{"-speed", "301"}, "tovra-wayland: -speed: \"301\" is not allowed"},
        {{"-cell-size", "auto", "overlay"}, "tovra-wayland: unknown argument \"overlay\""},
    };
    for (const auto& c : cases) {
        WaylandOptions options;
        const std::string error = ParseWaylandOptions(c.args, options);
        EXPECT_TRUE(c.error.empty() ? error.empty() : error.find(c.error) != std::string::npos) << error;
        if (!c.error.empty()) continue;
        EXPECT_EQ(options.surface, c.surface) << c.args.size();
        EXPECT_EQ(options.layer, c.layer) << c.args.size();
        EXPECT_EQ(options.output, c.output);
        EXPECT_EQ(options.exitOnInput, c.exitOnInput);
    }
    WaylandOptions options;
    EXPECT_EQ(ParseWaylandOptions({"-speed", "5", "-rainbow", "-h"}, options), "");
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.settings, (std::vector<std::pair<std::string, std::string>>{{"speed", "5"}, {"rainbow", "True"}}));
}

TEST(WaylandStart, WhatTheCompositorOffersAgainstTheOptions) {
    const CompositorOffer full{true, true, true, true, {"HEADLESS-1", "HEADLESS-2"}};
    CompositorOffer noLayers = full, noWindows = full, noShm = full, old = full, neither = full, none = full;
    noLayers.layerShell = false, noWindows.xdgShell = false, noShm.shm = false, old.compositor = false;
    neither.layerShell = neither.xdgShell = false, none.outputs.clear();
    const auto options = [](std::vector<std::string> args) {
        WaylandOptions o;
        EXPECT_EQ(ParseWaylandOptions(args, o), "");
        return o;
    };
    const struct {
        WaylandOptions options;
        CompositorOffer offer;
        int status;
        bool layer;
        std::string message;  // a part of it
    } cases[] = {
        {options({}), full, 0, true, ""},
        {options({}), noLayers, 0, false, ""},
        {options({}), noWindows, 0, true, ""},
        {options({}), neither, 1, false, "offers neither layer surfaces (wlr-layer-shell) nor windows (xdg-shell)"},
        {options({"-layer", "top"}), noLayers, 2, false, "tovra-wayland: -layer: the compositor offers no layer surfaces (wlr-layer-shell); use -fullscreen"},
        {options({"-layer", "top"}), noWindows, 0, true, ""},
        {options({"-fullscreen"}), full, 0, false, ""},
        {options({"-fullscreen"}), noWindows, 2, false, "-fullscreen: the compositor offers no windows (xdg-shell)"},
        {options({"-fullscreen"}), noShm, 1, false, "offers no shared-memory buffers (wl_shm)"},
        {options({}), old, 1, false, "offers no wl_compositor of version 4 or later"},
        {options({"-output", "HEADLESS-2"}), full, 0, true, ""},
        {options({"-output", "HEADLESS-3"}), full, 2, true,
         "tovra-wayland: -output: \"HEADLESS-3\" is not allowed; use one of the outputs: HEADLESS-1, HEADLESS-2"},
        {options({"-output", "headless-1"}), full, 2, true, "HEADLESS-1, HEADLESS-2"},
        {options({"-output", "HEADLESS-1"}), none, 2, true, "use an output's name (the compositor has none now)"},
    };
    for (const auto& c : cases) {
        const WaylandStart start = PlanWaylandStart(c.options, c.offer);
        EXPECT_EQ(start.status, c.status) << c.message;
        EXPECT_EQ(start.message.empty(), c.message.empty()) << start.message;
        EXPECT_NE(start.message.find(c.message), std::string::npos) << start.message;
        if (start.status == 0) {
            EXPECT_EQ(start.layer, c.layer) << c.options.output;
        }
    }
    EXPECT_EQ(PlanWaylandStart(options({"-layer", "overlay"}), full).layerKind, WaylandLayer::Overlay);
    EXPECT_EQ(PlanWaylandStart(options({}), full).layerKind, WaylandLayer::Background);
    EXPECT_TRUE(OutputWanted(options({}), "DP-1"));
    EXPECT_TRUE(OutputWanted(options({"-output", "DP-1"}), "DP-1"));
    EXPECT_FALSE(OutputWanted(options({"-output", "DP-1"}), "DP-2"));
    EXPECT_EQ(NoWaylandDisplayMessage(nullptr, "/run/user/1000"),
              "tovra-wayland: cannot connect to the Wayland display \"wayland-0\" in /run/user/1000; run it in a "
              "Wayland session, or set WAYLAND_DISPLAY");
    EXPECT_EQ(NoWaylandDisplayMessage("wayland-1", ""),
              "tovra-wayland: cannot connect to the Wayland display \"wayland-1\": XDG_RUNTIME_DIR is not set; run "
              "it in a Wayland session");
}

TEST(SurfaceScale, IntegerAndFractionalScales) {
    const struct {
        int width, height, scale, fractional;
        SurfaceScale want;
    } cases[] = {
        {640, 480, 1, 0, {640, 480, 1, false, 96}},
        {320, 240, 2, 0, {640, 480, 2, false, 192}},
        {100, 50, 3, 0, {300, 150, 3, false, 288}},
        {100, 50, 0, 0, {100, 50, 1, false, 96}},
        {1280, 720, 2, 180, {1920, 1080, 1, true, 144}},
        {1001, 3, 1, 150, {1251, 4, 1, true, 120}},
        {7, 9, 1, 120, {7, 9, 1, true, 96}},
        {240, 120, 1, 1, {2, 1, 1, true, 1}},
    };
    for (const auto& c : cases) {
        const SurfaceScale s = ScaleSurface(c.width, c.height, c.scale, c.fractional);
        EXPECT_EQ(std::tie(s.bufferWidth, s.bufferHeight, s.bufferScale, s.viewport, s.dpi),
                  std::tie(c.want.bufferWidth, c.want.bufferHeight, c.want.bufferScale, c.want.viewport, c.want.dpi))
            << c.width << " x " << c.height << " at " << c.scale << "/" << c.fractional;
    }
}

// Joined damage against a plain pixel map: every changed pixel covered,
// each rectangle inside one band and inside the rows its parts reach there,
// parts apart by the gap or more never joined, and none lost.
TEST(JoinDamage, CoversEveryChangedPixelWithinTheBands) {
    constexpr int kWidth = 120, kHeight = 90;
    std::mt19937 random(11);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int run = 0; run < 200; ++run) {
        const int band = 1 + pick(30), gap = pick(50);
        std::vector<FrameRect> parts;
        std::vector<int> changed(kWidth * kHeight, 0);
        for (int n = pick(12); n > 0; --n) {
            const int x = pick(kWidth), y = pick(kHeight);
            const FrameRect r{x, y, 1 + pick(std::min(30, kWidth - x)), 1 + pick(std::min(30, kHeight - y))};
            parts.push_back(r);
            for (int yy = r.y; yy < r.y + r.height; ++yy)
                for (int xx = r.x; xx < r.x + r.width; ++xx) changed[yy * kWidth + xx] = 1;
        }
        const std::vector<FrameRect> joined = JoinDamage(parts, band, gap);
        std::vector<int> covered(kWidth * kHeight, 0);
        for (const FrameRect& r : joined) {
            EXPECT_EQ(r.y / band, (r.y + r.height - 1) / band) << "run " << run << ": a rectangle across two bands";
            // Each row of a rectangle holds a changed pixel of a part in its band, and so do its ends.
            bool top = false, bottom = false, left = false, right = false;
            for (const FrameRect& p : parts) {
                const int from = std::max(p.y, r.y), to = std::min(p.y + p.height, r.y + r.height);
                if (from >= to || p.x + p.width <= r.x || p.x >= r.x + r.width) continue;
                top |= from == r.y, bottom |= to == r.y + r.height;
                left |= p.x == r.x, right |= p.x + p.width == r.x + r.width;
            }
            EXPECT_TRUE(top && bottom && left && right) << "run " << run << ": a rectangle larger than its parts";
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) ++covered[y * kWidth + x];
        }
        for (int i = 0; i < kWidth * kHeight; ++i) {
            ASSERT_TRUE(!changed[i] || covered[i]) << "run " << run << ": pixel " << i % kWidth << ", " << i / kWidth;
            ASSERT_LE(covered[i], 1) << "run " << run << ": rectangles overlap";
        }
    }
    // Two parts in a band: joined when less than the gap apart, else not.
    EXPECT_EQ(JoinDamage({{0, 0, 10, 10}, {19, 5, 10, 10}}, 20, 10), (std::vector<FrameRect>{{0, 0, 29, 15}}));
    EXPECT_EQ(JoinDamage({{0, 0, 10, 10}, {20, 5, 10, 10}}, 20, 10),
              (std::vector<FrameRect>{{0, 0, 10, 10}, {20, 5, 10, 10}}));
    EXPECT_EQ(JoinDamage({{5, 15, 10, 10}}, 20, 0), (std::vector<FrameRect>{{5, 15, 10, 5}, {5, 20, 10, 5}}));
    EXPECT_TRUE(JoinDamage({{3, 3, 0, 4}, {3, 3, 4, 0}}, 20, 100).empty());
    EXPECT_EQ(JoinDamage({{0, 0, 2, 2}}, 0, 0), (std::vector<FrameRect>{{0, 0, 2, 1}, {0, 1, 2, 1}}));  // bands of a row
}

// The ring against a compositor that holds each buffer's pixels: after
// every picture, the buffer shown holds the whole frame, though only the
// parts the ring names were copied; a third buffer comes only while two
// are busy, and none waits.
TEST(BufferRing, TheBufferShownAlwaysHoldsTheWholeFrame) {
    constexpr int kWidth = 23, kHeight = 17;
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int run = 0; run < 40; ++run) {
        BufferRing ring;
        ring.Reset(kWidth, kHeight);
        std::vector<int> frame(kWidth * kHeight, 0);
        std::vector<std::vector<int>> buffers;
        std::vector<int> held;  // buffers the compositor holds, oldest first
        int stamp = 0, most = 0;
        const auto show = [&](std::vector<FrameRect> parts) {
            const int i = ring.Acquire();
            if (i < 0) {
                EXPECT_EQ(ring.Count(), BufferRing::kMaxBuffers);
                ring.Owe(parts);
                return;
            }
            EXPECT_TRUE(i < ring.Count() && !ring.Busy(i));
            if (i == static_cast<int>(buffers.size())) {
                // A new buffer: the first two freely, a third only while both are busy.
                EXPECT_TRUE(i < 2 || (ring.Busy(0) && ring.Busy(1))) << "run " << run;
                buffers.emplace_back(frame.size(), -1);
            }
            const std::vector<FrameRect> owed = ring.TakeOwed();
            parts.insert(parts.end(), owed.begin(), owed.end());
            for (const std::vector<FrameRect>* list : {&ring.Missing(i), const_cast<const std::vector<FrameRect>*>(&parts)})
                for (const FrameRect& r : *list)
                    for (int y = r.y; y < r.y + r.height; ++y)
                        for (int x = r.x; x < r.x + r.width; ++x) buffers[i][y * kWidth + x] = frame[y * kWidth + x];
            EXPECT_EQ(buffers[i], frame) << "run " << run << ", buffer " << i;
            ring.Shown(i, parts);
            held.push_back(i);
            most = std::max(most, static_cast<int>(held.size()));
        };
        for (int step = 0; step < 300; ++step) {
            if (!held.empty() && pick(3) == 0) {
                // The compositor lets go of one (mostly the oldest); owed changes go out then.
                const std::size_t k = pick(4) == 0 ? held.size() - 1 : 0;
                ring.Released(held[k]);
                EXPECT_FALSE(ring.Busy(held[k]));
                held.erase(held.begin() + static_cast<long>(k));
                if (ring.Owes()) show({});
                continue;
            }
            std::vector<FrameRect> parts;
            for (int n = pick(5); n > 0; --n) {
                const int x = pick(kWidth), y = pick(kHeight);
                const FrameRect r{x, y, 1 + pick(kWidth - x), 1 + pick(kHeight - y)};
                for (int yy = r.y; yy < r.y + r.height; ++yy)
                    for (int xx = r.x; xx < r.x + r.width; ++xx) frame[yy * kWidth + xx] = ++stamp;
                parts.push_back(r);
            }
            show(parts);
        }
        EXPECT_LE(most, BufferRing::kMaxBuffers);
        // Everything let go: nothing is owed any more, and the next picture is whole.
        for (int i : held) ring.Released(i);
        held.clear();
        show({});
        EXPECT_FALSE(ring.Owes());
    }
    BufferRing ring;
    const FrameRect whole{0, 0, 4, 4};
    ring.Reset(4, 4);
    EXPECT_EQ(ring.Acquire(), 0);
    EXPECT_EQ(ring.Missing(0), std::vector<FrameRect>{whole});
    ring.Shown(0, {{1, 1, 1, 1}});
    EXPECT_EQ(ring.Acquire(), 1);
    ring.Released(0);
    ring.Released(-1), ring.Released(2);  // no such buffers: nothing
    EXPECT_EQ(ring.Count(), 2);
    EXPECT_EQ(ring.Acquire(), 0);  // the one missing the least
    EXPECT_TRUE(ring.Missing(0).empty());
    // Missing parts as large as the frame, or too many of them, are the whole frame.
    ring.Shown(1, {});  // buffer 1 up to date
    ring.Released(1);
    ring.Shown(0, {{0, 0, 4, 2}, {0, 2, 4, 1}});
    EXPECT_EQ(ring.Missing(1), (std::vector<FrameRect>{{0, 0, 4, 2}, {0, 2, 4, 1}}));
    ring.Released(0);
    ring.Shown(0, {{0, 3, 3, 1}});  // a pixel less than the frame
    EXPECT_EQ(ring.Missing(1).size(), 3u);
    ring.Released(0);
    ring.Shown(0, {{3, 3, 1, 1}});
    EXPECT_EQ(ring.Missing(1), std::vector<FrameRect>{whole});
    BufferRing many;
    many.Reset(100, 100);
    many.Shown(many.Acquire(), {});
    EXPECT_EQ(many.Acquire(), 1);
    many.Shown(1, {});
    many.Released(0);
    for (std::size_t n = 0; n < BufferRing::kMaxStaleParts; ++n) many.Shown(1, {{0, 0, 1, 1}});
    EXPECT_EQ(many.Missing(0).size(), BufferRing::kMaxStaleParts);
    many.Shown(1, {{0, 0, 1, 1}});
    EXPECT_EQ(many.Missing(0), (std::vector<FrameRect>{{0, 0, 100, 100}}));
    many.Owe({{5, 5, 2, 2}});
    EXPECT_TRUE(many.Owes());
    EXPECT_EQ(many.TakeOwed(), (std::vector<FrameRect>{{5, 5, 2, 2}}));
    EXPECT_FALSE(many.Owes());
    // A new size forgets every buffer, and what was owed.
    many.Owe({{1, 1, 1, 1}});
    many.Reset(8, 8);
    EXPECT_FALSE(many.Owes());
    EXPECT_EQ(many.Count(), 0);
    EXPECT_EQ(many.Acquire(), 0);
    EXPECT_EQ(many.Missing(0), (std::vector<FrameRect>{{0, 0, 8, 8}}));
}

}  // namespace
}  // namespace tovra
