#pragma once
// The look: how cells are painted beyond the classic picture. A painter over
// the frame, with its own per-cell state (two bytes a cell: what the cell
// shows and its colour key); the automaton never changes for it. After each
// event that drew, it brings its state up to the world's grid and lists the
// cells whose picture changed, each with the picture it had and the one it
// gets; the display draws them at once, or blends them over the time to the
// next generation.
//
// Two families of pictures:
// - the classic bitmaps (palette Classic): a live cell shows its bitmap, a
//   dead one the dead-cell bitmap, a fading one its last bitmap darkened
//   toward black;
// - a drawn palette: a cell is one colour in its shape over the background;
//   live cells take the ramp's colours (the first, one picked at random at
//   every generation under Rainbow, or by age under AgeColors), dead ones
//   the trail colour or, with Fade, a fade from their last colour to the
//   background.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "automaton/CellGrid.h"
#include "automaton/Random.h"
#include "display/CellFrame.h"
#include "settings/Palette.h"

namespace tovra {

struct LookSettings {
    const Palette* palette = nullptr;  // nullptr or the first built-in palette: the classic bitmaps
    bool rainbow = false;
    bool ageColors = false;
    int fade = 0;  // generations
    bool smooth = false;
    CellShape shape = CellShape::Square;
    bool burnInGuard = false;  // cells whose picture stays the same dim toward the background
};

// What a cell shows, in a form that two cells showing the same thing share:
// a drawn palette's colour 0x00RRGGBB, or a classic bitmap (0 to 4 live, 5
// dead, 6 none) and its darkness toward black (0 to 255) as bitmap << 8 |
// darkness.
using CellShow = uint32_t;

// A cell whose picture changed: its index in its world (row by row), and
// what it showed and shows now.
struct LookChange {
    uint32_t cell;
    CellShow from, to;
    int steps;  // the most steps it takes in a blend
};

// The state the look keeps for one world.
struct LookWorld {
    int columns = 0, rows = 0;
    // Per cell: its phase (what it shows) and its colour key (a drawn
    // palette's ramp index or age; the classic bitmap and a new pick).
    std::vector<uint8_t> phase, key;
    std::vector<LookChange> changes;  // of the last event
    // With the burn-in guard, per cell: the picture it held at the guard's
    // last step, the steps it has held it since (at most 255), the event it
    // last left it at and the events it was away from it since the last
    // step; and the cells the last step dimmed or brightened. Events are
    // counted modulo 2^16.
    std::vector<CellShow> held;
    std::vector<uint8_t> still;
    std::vector<uint16_t> left, away;
    uint16_t event = 0, stepEvent = 0;
    std::vector<LookChange> dimmed;
    RuntimeRandom random{0x9E3779B9u};  // Rainbow's picks from a drawn ramp
};

class CellLook {
public:
    // Blends run in steps of this many; 0 shows the old picture, kBlendFull the new.
    static constexpr int kBlendFull = 256;
    // The shortest time between two frames of a blend: 60 a second.
    static constexpr int kFrameMilliseconds = 17;

    // `colourValue` turns 0x00RRGGBB into the frame's pixel value; `live`
    // and `dead` are the classic bitmaps' pixels as 0x00RRGGBB.
    void Configure(const LookSettings& settings, const std::array<SpritePixels, 5>& live, const SpritePixels& dead,
                   std::function<uint32_t(uint32_t)> colourValue);

    // Whether anything differs from the classic picture; when not, the
    // display draws the bitmaps as they always were, and the look is idle.
    bool Active() const { return active_; }
    bool Drawn() const { return drawn_; }
    bool Smooth() const { return settings_.smooth; }
    // The frame's background value.
    uint32_t BackgroundValue() const { return background_; }

    // Every cell blank, as in a frame just cleared.
    void Reset(LookWorld& world, int columns, int rows) const;
    // The automaton drew a live cell, with this classic bitmap (its Color or
    // Rainbow's pick): the next Update shows it, and a cell that is dead
    // again by then as one that died.
    void DrawnLive(LookWorld& world, int col, int row, int bitmap) const;
    // Brings the world's state to the grid after an event that drew (a
    // generation, a seeding): births, deaths, fades, ages and picks; the
    // cells whose picture changed are in world.changes.
    void Update(LookWorld& world, const CellGrid& grid) const;

    // What a cell shows in its state.
    CellShow Show(uint8_t phase, uint8_t key) const;
    // The picture at a pitch of a change `blend` of the way (0 to kBlendFull)
    // from one show to the other.
    const CellPicture& Picture(int pitch, CellShow from, CellShow to, int blend);

    // The frames a blend takes between two generations `interval`
    // milliseconds apart: none (shown at once) when Smooth is off or the
    // generations come faster than two frames.
    int BlendFrames(int32_t interval) const;
    // Generations come `interval` milliseconds apart: a fade takes a step
    // at most every kFadeStepMilliseconds, several generations' worth at
    // once when they come faster, so a trail is not redrawn at every one.
    void Pace(int32_t interval);
    static constexpr int kFadeStepMilliseconds = 50;

    // The steps a change takes over a blend of `frames`: a drawn colour one
    // for every kLevelsPerStep levels its farthest channel moves, at least
    // one and at most a step a frame; a bitmap's, a step a frame.
    static int BlendSteps(const LookChange& change, int frames) { return std::clamp(change.steps, 1, std::max(frames, 1)); }
    static constexpr int kLevelsPerStep = 8;
    // The colours an age takes between two of the ramp's.
    static constexpr int kAgeSteps = 8;

    // A drawn palette's live colour at a key (the ramp's first colour, a
    // ramp index under Rainbow, an age from 1 under AgeColors).
    Rgb LiveColour(uint8_t key) const;
    // How much of a cell's colour each of its pixels shows over the
    // background at a pitch, 0 to 255, row by row.
    static std::vector<uint8_t> ShapeMask(CellShape shape, int pitch);

    // The burn-in guard. Every kGuardStepSeconds, a cell that shows the
    // picture it showed at the last step, and was away from it for less
    // than a quarter of the events since (visits, as a passing glider
    // makes them), counts a step; others start again from what they show. Once a
    // picture has been held for kGuardStillSteps steps it moves
    // 1/kGuardDimSteps of the way toward the background at each further
    // step. Any other picture the cell shows, a visit's too, is drawn at
    // full strength; after a visit it goes back to its dimmed one. A pixel
    // one level from the background turns after half the dimming steps, so
    // no pixel holds one colour for longer than about 1 + kGuardStillSteps
    // + kGuardDimSteps / 2 + 1 steps: 150 seconds.
    static constexpr float kGuardStepSeconds = 5.0f;
    static constexpr int kGuardStillSteps = 6;
    static constexpr int kGuardDimSteps = 24;
    // One step of the guard: the cells it dims, with the pictures they had
    // and get, are in world.dimmed.
    void GuardStep(LookWorld& world) const;
    bool Guarded() const { return settings_.burnInGuard; }
    // A show `level` steps (0 to kGuardDimSteps) toward the background.
    CellShow Dimmed(CellShow show, int level) const;

    // The phases.
    static constexpr uint8_t kBlank = 0;  // never lived, or faded out: the background
    static constexpr uint8_t kTrail = 1;  // dead: the trail colour, or the dead-cell bitmap
    static constexpr uint8_t kLive = 2;
    // kLive + j: j generations (1 to Fade) into the fade.

private:
    uint8_t NewKey(LookWorld& world, uint8_t key) const;
    static bool Quiet(const uint8_t* first, const uint8_t* last);
    int StepsOf(CellShow from, CellShow to) const;
    static int DimLevel(int still) { return std::clamp(still - kGuardStillSteps, 0, kGuardDimSteps); }
    CellShow Classic(int bitmap, int darkness) const { return static_cast<CellShow>(bitmap << 8 | darkness); }
    template <typename Paint>
    const CellPicture& Cached(uint64_t key, int pitch, const Paint& paint);
    const std::vector<uint8_t>& MaskAt(int pitch);

    LookSettings settings_;
    bool active_ = false;
    bool drawn_ = false;
    Rgb backgroundRgb_{};
    uint32_t background_ = 0;
    std::array<SpritePixels, 7> bitmaps_{};  // 0x00RRGGBB; 6 stays black
    std::function<uint32_t(uint32_t)> value_;
    std::vector<CellShow> shows_;  // by key and fade step
    int fadeStride_ = 1;           // generations a fade's shown step spans
    std::unordered_map<int, std::vector<uint8_t>> masks_;
    struct Slot {
        uint64_t key = 0;
        CellPicture picture;
    };
    std::vector<Slot> slots_;
    CellPicture none_;
};

// a + (b - a) * part / whole in each channel, rounded to the nearest level
// (halves away from a).
inline Rgb MixColour(Rgb a, Rgb b, int part, int whole = 256) {
    auto mix = [=](int x, int y) {
        return static_cast<uint8_t>(x + ((y - x) * 2 * part + (y >= x ? whole : -whole)) / (2 * whole));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}
inline uint32_t Packed(Rgb c) { return static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b; }
inline Rgb Unpacked(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

}  // namespace tovra
