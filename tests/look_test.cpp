// The look against plain references: what each cell shows generation by generation, the colour ramps,
// the shapes, and how many frames a blend takes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "automaton/Generation.h"
#include "automaton/Random.h"
#include "display/CellLook.h"

namespace tovra {
namespace {

uint32_t Identity(uint32_t v) { return v; }

// A channel within one level of a colour worked out in real numbers.
bool Near(Rgb got, double r, double g, double b) {
    return std::abs(got.r - r) <= 1.01 && std::abs(got.g - g) <= 1.01 && std::abs(got.b - b) <= 1.01;
}

// The colour `t` of the way from a to b.
std::array<double, 3> Between(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The ramp at an age, from plain arithmetic: newborn (age 1) at its first colour, the palette's old age
// and beyond at its last, evenly between in eight steps from one of its colours to the next.
std::array<double, 3> RampAt(const Palette& p, int age) {
    const double along = std::floor(std::min(age - 1, p.oldAge - 1) * double(p.ramp.size() - 1) * 8 / (p.oldAge - 1)) / 8;
    const std::size_t step = std::min(static_cast<std::size_t>(along), p.ramp.size() - 1);
    const Rgb next = p.ramp[std::min(step + 1, p.ramp.size() - 1)];
    return Between(p.ramp[step], next, along - double(step));
}

// A soup run with ComputeNextGeneration, growing from the right of the grid into its empty left; for
// every cell at every generation, what the look shows against a reference kept from the cells' plain
// history (how long alive, how long dead, the age at death), and the changes listed are exactly the
// cells whose show changed.
TEST(CellLook, EveryCellShowsWhatItsHistorySays) {
    // pace: the milliseconds between generations; faster than 50 a fade steps only every so many
    // generations (the stride), and a cell that has just died shows the end of its first stride.
    struct Row { const char* palette; bool age; int fade; int pace = 300; int stride = 1; };
    for (const Row& r : {Row{"Ocean", false, 0}, Row{"Paper", true, 0}, Row{"Colorblind", true, 3}, Row{"Neon", false, 1},
                         Row{"Forest", true, 64}, Row{"Mono", false, 5}, Row{"Ocean", false, 16, 50, 1},
                         Row{"Forest", true, 16, 33, 2}, Row{"Mono", false, 5, 12, 5}, Row{"Aurora", false, 20, 7, 8},
                         Row{"Neon", false, 64, 0, 50}}) {
        const Palette& p = *FindPalette(r.palette);
        CellLook look;
        look.Configure({&p, false, r.age, r.fade, false, CellShape::Dot}, {}, {}, Identity);
        look.Pace(r.pace);
        LookWorld world;
        constexpr int kWide = 100, kCells = kWide * 30;  // two words a row
        CellGrid grid(kWide - 1, 29), next(kWide - 1, 29);
        look.Reset(world, kWide, 30);
        RuntimeRandom random(7);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < kWide; ++x)
                if (random.Rnd() < (x >= 64 ? 0.35f : 0.0f)) grid.Set(x, y, CellGrid::kLive);
        std::vector<int> alive(kCells, 0), dead(kCells, 0), lastAge(kCells, 0);
        std::vector<CellShow> shown(kCells, Packed(p.background));
        for (int g = 0; g < 90; ++g) {
            look.Update(world, grid);
            std::set<uint32_t> changed;
            for (const LookChange& c : world.changes) {
                EXPECT_EQ(c.from, shown[c.cell]) << r.palette << " " << g;
                changed.insert(c.cell);
            }
            int wrong = 0;
            for (uint32_t i = 0; i < kCells; ++i) {
                const bool live = grid.IsLive(static_cast<int>(i % kWide), static_cast<int>(i / kWide));
                if (live) lastAge[i] = ++alive[i], dead[i] = 0;
                else if (alive[i] > 0 || dead[i] > 0) alive[i] = 0, ++dead[i];
                std::array<double, 3> want{double(p.background.r), double(p.background.g), double(p.background.b)};
                const Rgb colour = r.age ? Rgb{} : p.ramp[0];
                const auto liveColour = r.age ? RampAt(p, lastAge[i]) : std::array<double, 3>{double(colour.r), double(colour.g), double(colour.b)};
                if (live) want = liveColour;
                else if (dead[i] > 0 && r.fade == 0) want = {double(p.trail.r), double(p.trail.g), double(p.trail.b)};
                else if (dead[i] > 0 && dead[i] <= r.fade)  // from the colour it had when live, checked above
                    want = Between(look.LiveColour(static_cast<uint8_t>(r.age ? lastAge[i] : 0)), p.background,
                                   std::min((dead[i] + r.stride - 1) / r.stride * r.stride, r.fade) / double(r.fade + 1));
                const CellShow now = look.Show(world.phase[i], world.key[i]);
                wrong += !Near(Unpacked(now), want[0], want[1], want[2]);
                wrong += (now != shown[i]) != (changed.count(i) == 1);
                shown[i] = now;
            }
            EXPECT_EQ(wrong, 0) << r.palette << " age " << r.age << " fade " << r.fade << " generation " << g;
            ComputeNextGeneration(grid, Edges::Torus, next);
            std::swap(grid, next);
        }
    }
}

// Cells on either side of a word's edge, on a grid tall enough that every word read is one of its
// own: each birth and each death is listed, and nothing else.
TEST(CellLook, CellsAtWordEdgesOfATallGrid) {
    CellLook look;
    look.Configure({FindPalette("Ocean"), false, false, 0, false, CellShape::Square}, {}, {}, Identity);
    LookWorld world;
    CellGrid grid(129, 1399);  // three words a row
    look.Reset(world, 130, 1400);
    const int edges[] = {63, 64, 70, 127, 128, 129};
    std::set<uint32_t> cells;
    for (int x : edges) cells.insert(5 * 130 + x);
    for (auto state : {CellGrid::kLive, CellGrid::kDead}) {
        for (int x : edges) grid.Set(x, 5, state);
        look.Update(world, grid);
        std::set<uint32_t> listed;
        for (const LookChange& c : world.changes) listed.insert(c.cell);
        EXPECT_EQ(listed, cells) << (state == CellGrid::kLive ? "births" : "deaths");
    }
}

// A fade steps toward the background at every generation and reaches it after Fade of them; a cell
// born again starts as a newborn.
TEST(CellLook, AFadeStepsToTheBackgroundAndABirthStartsAgain) {
    for (int asked : {-2, 1, 2, 16, 64, 99}) {  // from 0 to 64
        const int fade = std::clamp(asked, 0, 64);
        const Palette& p = *FindPalette("Sunset");
        CellLook look;
        look.Configure({&p, false, true, asked, false, CellShape::Square}, {}, {}, Identity);
        LookWorld world;
        look.Reset(world, 1, 1);
        CellGrid grid(0, 0);
        grid.Set(0, 0, CellGrid::kLive);
        for (int g = 0; g < 300; ++g) look.Update(world, grid);  // older than a byte counts
        EXPECT_EQ(Unpacked(look.Show(world.phase[0], world.key[0])), p.ramp.back());
        grid.Set(0, 0, CellGrid::kDead);
        auto distance = [&] {
            const Rgb c = Unpacked(look.Show(world.phase[0], world.key[0]));
            return std::abs(c.r - p.background.r) + std::abs(c.g - p.background.g) + std::abs(c.b - p.background.b);
        };
        int before = distance();
        for (int g = 1; g <= fade + 1; ++g) {
            look.Update(world, grid);
            // No fade: the palette's trail at once.
            const bool trail = fade == 0 && Unpacked(look.Show(world.phase[0], world.key[0])) == p.trail;
            EXPECT_TRUE(g <= fade ? distance() < before && distance() > 0 : distance() == 0 || trail) << fade << " " << g;
            before = distance();
        }
        look.Update(world, grid);
        EXPECT_TRUE(world.changes.empty());
        grid.Set(0, 0, CellGrid::kLive);
        look.Update(world, grid);
        EXPECT_EQ(Unpacked(look.Show(world.phase[0], world.key[0])), p.ramp[0]) << fade;
    }
}

// Rainbow on a drawn palette: every live cell in a colour of the ramp, new picks at every generation,
// every colour of the ramp in use. Under AgeColors the age decides.
TEST(CellLook, RainbowPicksFromTheRamp) {
    const Palette& p = *FindPalette("Colorblind");
    for (bool age : {false, true}) {
        CellLook look;
        look.Configure({&p, true, age, 0, false, CellShape::Square}, {}, {}, Identity);
        LookWorld world;
        look.Reset(world, 8, 8);
        CellGrid grid(7, 7);
        for (int i = 0; i < 64; i += 2) grid.Set(i % 8, i / 8, CellGrid::kLive);
        std::set<CellShow> colours;
        std::map<CellShow, int> picks;
        int kept = 0;
        for (int g = 0; g < 20; ++g) {
            std::vector<CellShow> before(64);
            for (int i = 0; i < 64; ++i) before[i] = look.Show(world.phase[i], world.key[i]);
            look.Update(world, grid);
            for (int i = 0; i < 64; i += 2) {
                colours.insert(look.Show(world.phase[i], world.key[i]));
                ++picks[look.Show(world.phase[i], world.key[i])];
                kept += g > 0 && look.Show(world.phase[i], world.key[i]) == before[i];
            }
        }
        std::set<CellShow> ramp;
        for (Rgb c : p.ramp) ramp.insert(Packed(c));
        if (!age) {
            EXPECT_EQ(colours, ramp);
            EXPECT_LT(kept, 32 * 19 / 3);  // six colours: about one pick in six keeps its colour
            for (const auto& [colour, n] : picks)  // each about a sixth of the 640 picks
                EXPECT_TRUE(n > 640 / 6 * 2 / 3 && n < 640 / 6 * 4 / 3) << std::hex << colour << " " << std::dec << n;
        } else {
            std::set<std::array<double, 3>> ages;  // one colour per age, the same for every cell
            for (int a = 1; a <= 20; ++a) ages.insert(RampAt(p, a));
            EXPECT_EQ(colours.size(), ages.size());
        }
    }
}

// A classic picture is its bitmap enlarged as ScaleSprite enlarges it, darkened by its darkness, and
// blended pixel by pixel with another.
TEST(CellLook, AClassicPictureIsItsBitmapEnlarged) {
    std::array<SpritePixels, 5> live{};
    for (std::size_t i = 0; i < live.size(); ++i) {
        live[i].loaded = true;
        for (std::size_t p = 0; p < live[i].pixels.size(); ++p)
            live[i].pixels[p] = Packed({static_cast<uint8_t>(p * 2), static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - p)});
    }
    const LookSettings classic{&BuiltInPalettes()[0], false, false, 4, false, CellShape::Square};
    CellLook look;
    look.Configure(classic, live, SpritePixels{true, {}}, Identity);
    for (int pitch : {10, 17, 40}) {
        const std::vector<uint32_t> a = ScaleSprite(live[1], pitch).pixels, b = ScaleSprite(live[3], pitch).pixels;
        EXPECT_EQ(look.Picture(pitch, 1 << 8, 1 << 8, 0).pixels, a) << pitch;
        const std::vector<uint32_t> dark = look.Picture(pitch, 1 << 8 | 64, 1 << 8 | 64, 0).pixels;
        const std::vector<uint32_t> half = look.Picture(pitch, 1 << 8, 3 << 8, 128).pixels;
        int wrong = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const Rgb d = Unpacked(dark[i]), h = Unpacked(half[i]), x = Unpacked(a[i]), y = Unpacked(b[i]);
            wrong += !Near(d, x.r * 0.75, x.g * 0.75, x.b * 0.75) || !Near(h, (x.r + y.r) / 2.0, (x.g + y.g) / 2.0, (x.b + y.b) / 2.0);
        }
        EXPECT_EQ(wrong, 0) << pitch;
    }
    // The pictures kept for reuse stay apart: each pairing of shows at each blend, drawn one after
    // another by one look, is what a look drawing it first draws.
    std::vector<CellShow> shows;
    for (int bitmap : {0, 4, 5})
        for (int dark : {0, 1, 2, 129, 255}) shows.push_back(static_cast<CellShow>(bitmap << 8 | dark));
    int differ = 0;
    for (int blend : {0, 1, 200})
        for (CellShow from : shows)
            for (CellShow to : shows) {
                CellLook fresh;
                fresh.Configure(classic, live, SpritePixels{true, {}}, Identity);
                differ += look.Picture(10, from, to, blend).pixels != fresh.Picture(10, from, to, blend).pixels;
            }
    EXPECT_EQ(differ, 0);
}

// The shapes: a square to the edges with a rim as the bitmaps have, a rounded square and a dot with a
// gap around them; symmetric; crisp (only full and empty pixels) below 20 pixels, blended edges from 20.
TEST(CellLook, ShapesAtEveryPitch) {
    for (int pitch = 10; pitch <= 40; ++pitch) {
        std::array<long, 3> area{};
        for (CellShape shape : {CellShape::Square, CellShape::Rounded, CellShape::Dot}) {
            const std::vector<uint8_t> m = CellLook::ShapeMask(shape, pitch);
            ASSERT_EQ(m.size(), static_cast<std::size_t>(pitch * pitch));
            auto at = [&](int x, int y) { return int(m[static_cast<std::size_t>(y) * pitch + x]); };
            int asymmetric = 0, between = 0;
            for (int y = 0; y < pitch; ++y)
                for (int x = 0; x < pitch; ++x) {
                    asymmetric += at(x, y) != at(pitch - 1 - x, y) || at(x, y) != at(y, x);
                    between += at(x, y) != 0 && at(x, y) != 255 && !(shape == CellShape::Square && at(x, y) == 140);
                    area[static_cast<std::size_t>(shape)] += at(x, y);
                }
            const int c = pitch / 2;
            EXPECT_EQ(asymmetric, 0) << pitch;
            EXPECT_EQ(at(c, c), 255) << pitch;
            EXPECT_EQ(at(0, 0), shape == CellShape::Square ? 140 : 0) << pitch;
            EXPECT_EQ(at(0, c), shape == CellShape::Square ? 140 : 0) << pitch;
            EXPECT_EQ(between > 0, pitch >= 20 && shape != CellShape::Square) << pitch << " " << int(shape);
            // The rim, or the gap around a shape: a tenth of the cell, to the nearest pixel, at least one.
            const int edge = std::max(1, static_cast<int>(std::lround(pitch / 10.0)));
            EXPECT_EQ(at(edge - 1, c), shape == CellShape::Square ? 140 : 0) << pitch << " " << int(shape);
            EXPECT_GT(at(edge, c), shape == CellShape::Square ? 140 : 0) << pitch << " " << int(shape);
        }
        EXPECT_TRUE(area[0] > area[1] && area[1] > area[2]) << pitch;
    }
    // A look configured again draws its new shape, not the pictures of the old.
    CellLook again, fresh;
    const Palette& ocean = *FindPalette("Ocean");
    again.Configure({&ocean, false, false, 0, false, CellShape::Dot}, {}, {}, Identity);
    const CellShow colour = Packed(ocean.ramp[0]);
    const std::vector<uint32_t> dot = again.Picture(20, colour, colour, 0).pixels;
    again.Configure({&ocean, false, false, 0, false, CellShape::Rounded}, {}, {}, Identity);
    fresh.Configure({&ocean, false, false, 0, false, CellShape::Rounded}, {}, {}, Identity);
    EXPECT_EQ(again.Picture(20, colour, colour, 0).pixels, fresh.Picture(20, colour, colour, 0).pixels);
    EXPECT_NE(fresh.Picture(20, colour, colour, 0).pixels, dot);
    // The square's rim is a tenth of the cell, at least a pixel.
    const std::vector<uint8_t> m = CellLook::ShapeMask(CellShape::Square, 40);
    EXPECT_EQ(std::tuple(int(m[3 * 40 + 20]), int(m[4 * 40 + 20]), int(m[36 * 40 + 20]), int(m[35 * 40 + 20])),
              std::tuple(140, 255, 140, 255));
}

// Frames a blend takes: one every 17 milliseconds up to the next generation, none when Smooth is off,
// nothing else differs from the classic picture, or the generations come faster than two frames.
TEST(CellLook, BlendFrames) {
    const Palette* classic = &BuiltInPalettes()[0];
    const Palette* ocean = FindPalette("Ocean");
    struct Row { const Palette* p; bool smooth; int interval, frames; };
    for (const Row& r : {Row{ocean, true, 300, 17}, Row{ocean, true, 1000, 58}, Row{ocean, true, 34, 2}, Row{ocean, true, 33, 0},
                         Row{ocean, true, 1, 0}, Row{ocean, false, 300, 0}, Row{classic, true, 300, 17}}) {
        CellLook look;
        look.Configure({r.p, false, false, 0, r.smooth, CellShape::Square}, {}, {}, Identity);
        EXPECT_EQ(look.BlendFrames(r.interval), r.frames) << r.interval;
    }
    CellLook plain;
    plain.Configure({classic, true, true, 0, false, CellShape::Square}, {}, {}, Identity);
    EXPECT_FALSE(plain.Active());
    // Any one of the look's own settings on the classic bitmaps needs the painter: the least fade too.
    for (const LookSettings& s : {LookSettings{classic, false, false, 1, false, CellShape::Square},
                                  LookSettings{classic, false, false, 0, true, CellShape::Square},
                                  LookSettings{classic, false, false, 0, false, CellShape::Dot},
                                  LookSettings{classic, false, false, 0, false, CellShape::Square, true},
                                  LookSettings{ocean, false, false, 0, false, CellShape::Square}}) {
        CellLook one;
        one.Configure(s, {}, {}, Identity);
        EXPECT_TRUE(one.Active()) << s.fade << s.smooth << int(s.shape) << s.burnInGuard;
    }
    LookWorld small;  // a world of a negative size has no cells
    for (auto [columns, rows] : {std::pair{-3, 2}, {2, -3}}) {
        plain.Reset(small, columns, rows);
        EXPECT_TRUE(small.phase.empty() && small.key.empty()) << columns << " " << rows;
    }
    plain.Reset(small, 3, 2);  // a bitmap picked for a cell beyond the world changes nothing
    for (auto [col, row] : {std::pair{3, 0}, {-1, 0}, {0, 2}, {0, -1}}) plain.DrawnLive(small, col, row, 4);
    EXPECT_TRUE(small.key == std::vector<uint8_t>(6, 0) && small.phase == std::vector<uint8_t>(6, 0));
    // The steps of a change: one per eight levels its farthest channel moves (a drawn birth and death),
    // at most one a frame, at least one; a bitmap's change one a frame. Every palette.
    for (const Palette& each : BuiltInPalettes()) {
        const Palette* p = &each;
        CellLook look;
        look.Configure({p, false, false, 0, true, CellShape::Square}, {}, {}, Identity);
        LookWorld world;
        look.Reset(world, 1, 1);
        CellGrid grid(0, 0);
        std::vector<int> steps;
        for (bool live : {true, false}) {
            grid.Set(0, 0, live ? CellGrid::kLive : CellGrid::kDead);
            look.Update(world, grid);
            ASSERT_EQ(world.changes.size(), 1u);
            const Rgb a = Unpacked(world.changes[0].from), b = Unpacked(world.changes[0].to);
            const int farthest = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
            for (int frames : {1, 5, 17, 40})
                EXPECT_EQ(CellLook::BlendSteps(world.changes[0], frames), p == classic ? frames : std::clamp((farthest + 7) / 8, 1, frames))
                    << p->name << " " << farthest << " " << frames;
        }
    }
}

}  // namespace
}  // namespace tovra

namespace tovra {
namespace {

// The burn-in guard on cells whose histories are made by hand: still, dying for good, visited now and
// then as a passing glider visits, or oscillating in every proportion. Sampled at each of the guard's
// steps, as a render's frames sample the screen, no cell shows one picture other than the background
// for longer than the bound; a cell that oscillates evenly is never dimmed; whatever the cell shows is
// what the lists of changes drew (brightened when it takes up its held picture again), and is what a
// plain reference says from the pictures each step saw: the one after each event since the last step,
// or the one shown where none came. Away from the held picture in more than three quarters of them,
// or in more than half and away now, the cell takes up what it shows; away in two fifths or more, it
// waits; otherwise a held picture other than the blank one is held a step longer. A held picture is
// shown dimmed by its steps past the sixth, any other at full strength.
TEST(CellLook, TheGuardDimsWhatStaysAndNothingElse) {
    // Each row: whether a cell is live at event e (its column gives it a phase and a random stream).
    using History = bool (*)(int e, int x, RuntimeRandom& random);
    const struct { const char* what; History live; bool evenly = false; } kinds[] = {
        {"still", [](int, int, RuntimeRandom&) { return true; }},
        {"dies", [](int e, int x, RuntimeRandom&) { return e < 40 + 13 * x; }},
        {"a visit a step", [](int e, int x, RuntimeRandom&) { return (e + x) % 19 == 0; }},
        {"rare visits", [](int, int, RuntimeRandom& r) { return r.Rnd() < 0.03f; }},
        {"busy visits", [](int, int, RuntimeRandom& r) { return r.Rnd() < 0.3f; }},
        {"two of three", [](int e, int x, RuntimeRandom&) { return (e + x) % 3 != 0; }},
        {"one of three", [](int e, int x, RuntimeRandom&) { return (e + x) % 3 == 0; }},
        {"blinker", [](int e, int x, RuntimeRandom&) { return (e + x) % 2 == 0; }, true},
        {"coin", [](int, int, RuntimeRandom& r) { return r.Rnd() < 0.5f; }},
        {"born late", [](int e, int x, RuntimeRandom&) { return e > 200 + 7 * x; }},
        // Away for all but the last of 17 events, after 7 + x steps held.
        {"back at a step", [](int e, int x, RuntimeRandom&) { return e < 136 + 17 * x || e == 152 + 17 * x; }},
    };
    constexpr int kWide = 8, kRows = static_cast<int>(std::size(kinds));
    // Events between steps: generations 300 ms apart; about 50 ms; 3 s apart, so that most steps see
    // none; and (-1) an uneven count from step to step, which meets the proportions' bounds exactly. The
    // steady counts are odd: an even one would see an oscillator always in one phase.
    constexpr int kUneven[] = {4, 0, 5, 1, 0, 0, 8, 2, 10, 3, 0, 20, 0, 0, 0};
    for (const char* palette : {"Classic", "Paper", "Ocean"})
        for (const int every : {17, 101, 0, -1}) {
            CellLook look;
            const Palette* p = FindPalette(palette);
            std::array<SpritePixels, 5> live{};
            look.Configure({p, false, false, 0, false, CellShape::Square, true}, live, SpritePixels{}, Identity);
            ASSERT_TRUE(look.Active() && look.Guarded());
            LookWorld world;
            look.Reset(world, kWide, kRows);
            CellGrid grid(kWide - 1, kRows - 1);
            const CellShow blank = look.Show(CellLook::kBlank, 0);
            std::vector<CellShow> shown(kWide * kRows, blank), sampled(shown);
            std::vector<int> run(shown.size(), 0), longest(kRows, 0), dimmedEver(kRows, 0);
            std::vector<RuntimeRandom> random;
            for (int i = 0; i < kWide * kRows; ++i) random.emplace_back(static_cast<uint32_t>(i + 1));
            std::vector<CellShow> held(shown);
            std::vector<int> still(shown.size(), 0);
            std::vector<std::vector<CellShow>> seen(shown.size());
            int wrong = 0, e = 0;
            auto draw = [&](const std::vector<LookChange>& changes) {
                for (const LookChange& c : changes) wrong += c.from != shown[c.cell], shown[c.cell] = c.to;
            };
            for (int step = 0; step < 400; ++step) {
                // 0 events a step: one event every sixth step.
                const int events = every > 0 ? every : every == 0 ? step % 6 == 0 : kUneven[step % std::size(kUneven)];
                for (int k = 0; k < events; ++k, ++e) {
                    for (int y = 0; y < kRows; ++y)
                        for (int x = 0; x < kWide; ++x)
                            grid.Set(x, y, kinds[y].live(e, x, random[y * kWide + x]) ? CellGrid::kLive : CellGrid::kDead);
                    look.Update(world, grid);
                    draw(world.changes);
                    for (int i = 0; i < kWide * kRows; ++i) seen[i].push_back(look.Show(world.phase[i], world.key[i]));
                }
                look.GuardStep(world);
                draw(world.dimmed);
                for (int i = 0; i < kWide * kRows; ++i) {
                    const CellShow raw = look.Show(world.phase[i], world.key[i]);
                    if (seen[i].empty()) seen[i].push_back(raw);
                    const int n = static_cast<int>(seen[i].size());
                    const int away = static_cast<int>(std::count_if(seen[i].begin(), seen[i].end(), [&](CellShow s) { return s != held[i]; }));
                    seen[i].clear();
                    if (away * 4 > n * 3 || (away * 2 > n && raw != held[i])) held[i] = raw, still[i] = 0;
                    else if (!(away > 0 && away * 5 >= n * 2) && held[i] != blank) still[i] = std::min(still[i] + 1, 255);
                    const int level = std::clamp(still[i] - CellLook::kGuardStillSteps, 0, CellLook::kGuardDimSteps);
                    wrong += shown[i] != (raw == held[i] ? look.Dimmed(raw, level) : raw);
                    run[i] = shown[i] == sampled[i] && shown[i] != blank ? run[i] + 1 : 0;
                    sampled[i] = shown[i];
                    longest[i / kWide] = std::max(longest[i / kWide], run[i]);
                    dimmedEver[i / kWide] += shown[i] != raw;
                }
            }
            EXPECT_EQ(wrong, 0) << palette << " " << every;
            // Held for 6 steps, dimmed in 24; a colour one level from the background turns at the 13th.
            for (int y = 0; y < kRows; ++y) {
                EXPECT_LE(longest[y], 1 + CellLook::kGuardStillSteps + 13) << palette << " " << every << ": " << kinds[y].what;
                if (kinds[y].evenly && every > 0) {
                    EXPECT_EQ(dimmedEver[y], 0) << palette << " " << every << ": " << kinds[y].what;
                }
            }
            // A cell live all the time ends at the background, and one born late starts at full strength.
            EXPECT_EQ(shown[0], blank) << palette << " " << every;
        }
}

// A show dimmed steps toward the background: the first level leaves it, the last is the background,
// and each level is nearer than the one before. A channel one level from the background turns by the
// 13th level; one 24 levels away or more turns at every level.
TEST(CellLook, DimmedStepsToTheBackground) {
    for (const char* palette : {"Classic", "Paper", "Sunset"}) {
        const Palette* p = FindPalette(palette);
        CellLook look;
        std::array<SpritePixels, 5> live{};
        look.Configure({p, false, false, 4, false, CellShape::Square, true}, live, SpritePixels{}, Identity);
        const CellShow blank = look.Show(CellLook::kBlank, 0);
        std::vector<CellShow> shows = {look.Show(CellLook::kTrail, 0), look.Show(CellLook::kLive, 0), look.Show(CellLook::kLive + 3, 0)};
        if (p->name != std::string_view("Classic")) {
            const Rgb bg = p->background;
            for (int d : {1, 2, 24, 200}) {
                auto channel = [&](int v) { return static_cast<uint8_t>(v + d <= 255 ? v + d : v - d); };
                shows.push_back(Packed({channel(bg.r), bg.g, bg.b}));
            }
        }
        for (const CellShow show : shows) {
            // How far a show is from the background: a colour's farthest channel, a bitmap's strength.
            auto distance = [&](CellShow s) {
                if (p->name == std::string_view("Classic")) return s == blank ? 0 : 256 - static_cast<int>(s & 0xFF);
                const Rgb a = Unpacked(s), b = p->background;
                return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
            };
            const int far = distance(show);
            EXPECT_EQ(look.Dimmed(show, 0), show);
            EXPECT_EQ(look.Dimmed(show, CellLook::kGuardDimSteps), blank) << palette << " " << show;
            int firstTurn = 0;
            for (int level = 1; level <= CellLook::kGuardDimSteps; ++level) {
                const int before = distance(look.Dimmed(show, level - 1)), now = distance(look.Dimmed(show, level));
                EXPECT_LE(now, before) << palette << " " << show << " " << level;
                if (far >= CellLook::kGuardDimSteps) { EXPECT_LT(now, before) << palette << " " << show << " " << level; }
                if (now < far && firstTurn == 0) firstTurn = level;
            }
            EXPECT_TRUE(far == 0 || (firstTurn >= 1 && firstTurn <= 13)) << palette << " " << show << " " << firstTurn;
        }
    }
}

}  // namespace
}  // namespace tovra
