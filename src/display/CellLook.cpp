#include "display/CellLook.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tovra {

namespace {

// The classic bitmaps' slots beside the five live ones.
constexpr int kDeadBitmap = 5;
constexpr int kNoBitmap = 6;

// Classic keys: the bitmap shown in bits 0-2, a new pick in bits 3-5 and,
// in bit 7, that there is one. A phase's bit 7: the cell was drawn live
// during the event.
constexpr uint8_t kBitmapBits = 7;
constexpr uint8_t kPicked = 0x80;
constexpr uint8_t kDrawnLive = 0x80;

// A square cell's rim, as the bitmaps have one: this much of the colour.
constexpr int kRimWeight = 140;
// Pictures kept: one per slot, the slot found from the picture's key.
constexpr int kSlotBits = 11;

uint32_t Scaled(uint32_t rgb, int weight) {  // weight 0..256 of the colour over black
    const Rgb c = Unpacked(rgb);
    return Packed(MixColour({}, c, weight));
}

}  // namespace

void CellLook::Configure(const LookSettings& settings, const std::array<SpritePixels, 5>& live,
                         const SpritePixels& dead, std::function<uint32_t(uint32_t)> colourValue) {
    settings_ = settings;
    settings_.fade = std::clamp(settings_.fade, 0, 64);
    drawn_ = settings_.palette != nullptr && settings_.palette != BuiltInPalettes().data() &&
             !settings_.palette->ramp.empty();
    active_ = drawn_ || settings_.fade > 0 || settings_.smooth || settings_.shape != CellShape::Square ||
              settings_.burnInGuard;
    value_ = std::move(colourValue);
    backgroundRgb_ = drawn_ ? settings_.palette->background : Rgb{};
    background_ = value_(Packed(backgroundRgb_));
    for (std::size_t i = 0; i < live.size(); ++i) bitmaps_[i] = live[i];
    bitmaps_[kDeadBitmap] = dead;
    bitmaps_[kNoBitmap] = SpritePixels{true, {}};
    masks_.clear();
    slots_.assign(std::size_t{1} << kSlotBits, Slot{});
    // A drawn cell's colours, live and at each step of its fade, for every key.
    shows_.clear();
    if (drawn_)
        for (int key = 0; key < 256; ++key)
            for (int step = 0; step <= settings_.fade; ++step)
                shows_.push_back(Packed(MixColour(LiveColour(static_cast<uint8_t>(key)), backgroundRgb_, step, settings_.fade + 1)));
}

void CellLook::Reset(LookWorld& world, int columns, int rows) const {
    world.columns = std::max(columns, 0);
    world.rows = std::max(rows, 0);
    const std::size_t cells = static_cast<std::size_t>(world.columns) * static_cast<std::size_t>(world.rows);
    world.phase.assign(cells, kBlank);
    world.key.assign(cells, 0);
    const std::size_t guarded = settings_.burnInGuard ? cells : 0;
    world.held.assign(guarded, Show(kBlank, 0));
    world.still.assign(guarded, 0);
    world.left.assign(guarded, 0);
    world.away.assign(guarded, 0);
    world.event = world.stepEvent = 0;
    world.dimmed.clear();
}

void CellLook::DrawnLive(LookWorld& world, int col, int row, int bitmap) const {
    if (col < 0 || row < 0 || col >= world.columns || row >= world.rows) return;
    const std::size_t i = static_cast<std::size_t>(row) * world.columns + col;
    world.phase[i] |= kDrawnLive;
    uint8_t& key = world.key[i];
    if (!drawn_) key = static_cast<uint8_t>((key & kBitmapBits) | (bitmap & kBitmapBits) << 3 | kPicked);
}

// The key of a cell that is live after this event, from its key before.
uint8_t CellLook::NewKey(LookWorld& world, uint8_t key) const {
    if (!drawn_) return (key & kPicked) ? static_cast<uint8_t>(key >> 3 & kBitmapBits) : key & kBitmapBits;
    if (settings_.ageColors) return static_cast<uint8_t>(std::min(key + 1, 255));
    if (!settings_.rainbow) return key;
    // A pick for each live cell at each generation, from the look's own
    // stream: the automaton's draws stay what they are without the look.
    return static_cast<uint8_t>(RandomInt(world.random, 0, static_cast<int>(settings_.palette->ramp.size()) - 1));
}

// Whether every phase of a stretch is blank or a trail (0 or 1).
bool CellLook::Quiet(const uint8_t* first, const uint8_t* last) {
    return std::all_of(first, last, [](uint8_t phase) { return phase <= kTrail; });
}

void CellLook::Update(LookWorld& world, const CellGrid& grid) const {
    world.changes.clear();
    ++world.event;
    const int columns = std::min(world.columns, grid.Columns());
    const int rows = std::min(world.rows, grid.Rows());
    const int fade = settings_.fade;
    for (int y = 0; y < rows; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * world.columns;
        const uint64_t* words = grid.RowWords(y);
        for (int x = 0; x < columns; ++x) {
            const std::size_t i = rowStart + x;
            // A stretch of dead cells that show no fade changes nothing.
            if (x % CellGrid::kWordBits == 0 && words[x / CellGrid::kWordBits] == 0) {
                const int end = std::min(x + CellGrid::kWordBits, columns);
                if (Quiet(&world.phase[i], &world.phase[rowStart] + end)) {
                    x = end - 1;
                    continue;
                }
            }
            uint8_t& phase = world.phase[i];
            uint8_t& key = world.key[i];
            const bool live = grid.IsLive(x, y);
            // Drawn live during the event: a cell seeded and dead again within it was live for a moment.
            const bool drawnLive = phase & kDrawnLive;
            phase &= static_cast<uint8_t>(~kDrawnLive);
            if (!live && phase <= kTrail && !drawnLive) continue;
            // A cell that stays live keeps its colour unless it ages, or is picked again.
            if (live && phase == kLive && (drawn_ ? !settings_.ageColors && !settings_.rainbow : !(key & kPicked))) continue;
            const CellShow from = Show(phase, key);
            if (live || (drawnLive && phase != kLive)) {
                // A cell born starts its age again.
                key = NewKey(world, phase == kLive ? key : static_cast<uint8_t>(drawn_ ? 0 : key));
                phase = kLive;
            }
            if (!live && phase == kLive) {
                // It fades from the colour it had.
                phase = fade > 0 ? static_cast<uint8_t>(kLive + 1) : kTrail;
                if (!drawn_) key &= kBitmapBits;
            } else if (!live) {
                phase = phase - kLive >= fade ? kBlank : static_cast<uint8_t>(phase + 1);
            }
            const CellShow to = Show(phase, key);
            if (to == from) continue;
            if (world.held.empty()) {
                world.changes.push_back({static_cast<uint32_t>(i), from, to, StepsOf(from, to)});
                continue;
            }
            // The picture the guard holds shows dimmed; any other at full
            // strength. A visit away from it lasts from the event that
            // leaves it to the one that comes back.
            const CellShow held = world.held[i];
            const int level = DimLevel(world.still[i]);
            const CellShow shownFrom = from == held ? Dimmed(from, level) : from;
            const CellShow shownTo = to == held ? Dimmed(to, level) : to;
            if (from == held) world.left[i] = world.event;
            if (to == held)
                world.away[i] = static_cast<uint16_t>(std::min(world.away[i] + static_cast<uint16_t>(world.event - world.left[i]), 0xFFFF));
            world.changes.push_back({static_cast<uint32_t>(i), shownFrom, shownTo, StepsOf(shownFrom, shownTo)});
        }
    }
}

void CellLook::GuardStep(LookWorld& world) const {
    world.dimmed.clear();
    // The pictures a step weighs: the one after each event since the last
    // step or, where none came (generations further apart than the steps),
    // the one it shows now.
    const int events = static_cast<uint16_t>(world.event - std::exchange(world.stepEvent, world.event));
    const int pictures = std::max(events, 1);
    const CellShow blank = Show(kBlank, 0);
    for (std::size_t i = 0; i < world.held.size(); ++i) {
        const CellShow show = Show(world.phase[i], world.key[i]);
        CellShow& held = world.held[i];
        uint8_t& still = world.still[i];
        const int level = DimLevel(still);
        // The pictures away from the held one, those of a visit still going
        // on included; the visit counts on from the next event.
        int away = world.away[i];
        world.away[i] = 0;
        if (show != held) {
            const uint16_t from = std::exchange(world.left[i], static_cast<uint16_t>(world.event + 1));
            away = events == 0 ? 1 : away + static_cast<uint16_t>(world.event + 1 - from);
        }
        // Away for more than three quarters of the time, or for more than
        // half and away now, it shows something else the most: that starts
        // again at full strength, and so does a held picture it keeps
        // coming back to.
        if (away * 4 > pictures * 3 || (away * 2 > pictures && show != held)) {
            if (show == held && level > 0)
                world.dimmed.push_back({static_cast<uint32_t>(i), Dimmed(show, level), show, StepsOf(Dimmed(show, level), show)});
            held = show;
            still = 0;
            continue;
        }
        // Away for two fifths of the time or more, as an evenly oscillating
        // cell is, it neither dims nor starts again. The background cannot
        // burn in.
        if ((away > 0 && away * 5 >= pictures * 2) || held == blank || still == std::numeric_limits<uint8_t>::max())
            continue;
        const int after = DimLevel(++still);
        // On a visit, the held picture takes its new level when the cell comes back.
        if (after == level || show != held) continue;
        const CellShow from = Dimmed(show, level), to = Dimmed(show, after);
        if (to != from) world.dimmed.push_back({static_cast<uint32_t>(i), from, to, StepsOf(from, to)});
    }
}

CellShow CellLook::Dimmed(CellShow show, int level) const {
    if (level <= 0) return show;
    if (drawn_) return Packed(MixColour(Unpacked(show), backgroundRgb_, level, kGuardDimSteps));
    // A bitmap keeps (D - level) / D of what its darkness leaves of it;
    // nothing left is the blank cell's black.
    const int bitmap = static_cast<int>(show >> 8);
    const int strength = (256 - static_cast<int>(show & 0xFF)) * (kGuardDimSteps - level) / kGuardDimSteps;
    return bitmap == kNoBitmap || strength <= 0 ? Classic(kNoBitmap, 0) : Classic(bitmap, 256 - strength);
}

Rgb CellLook::LiveColour(uint8_t key) const {
    const std::span<const Rgb> ramp = settings_.palette->ramp;
    const int last = static_cast<int>(ramp.size()) - 1;
    if (settings_.ageColors) {
        const int span = settings_.palette->oldAge - 1;  // every palette's old age is 2 or more
        const int age = std::clamp(static_cast<int>(key) - 1, 0, span);
        // age / span of the way along the ramp, in kAgeSteps steps between
        // two of its colours: a cell changes colour every few generations,
        // not at every one.
        const int at = age * last * kAgeSteps / span;
        const int step = at / kAgeSteps;
        return step >= last ? ramp[last] : MixColour(ramp[step], ramp[step + 1], at % kAgeSteps, kAgeSteps);
    }
    return settings_.rainbow ? ramp[key % ramp.size()] : ramp[0];
}

void CellLook::Pace(int32_t interval) {
    const int32_t ms = std::max(interval, 1);
    fadeStride_ = (kFadeStepMilliseconds + ms - 1) / ms;
}

CellShow CellLook::Show(uint8_t phase, uint8_t key) const {
    // A fade shows the step it is in rounded up to the stride: a cell that
    // has just died shows it at once.
    if (phase > kLive)
        phase = static_cast<uint8_t>(kLive + std::min((phase - kLive + fadeStride_ - 1) / fadeStride_ * fadeStride_,
                                                      settings_.fade));
    if (drawn_) {
        if (phase == kBlank) return Packed(backgroundRgb_);
        if (phase == kTrail) return Packed(settings_.palette->trail);
        return shows_[static_cast<std::size_t>(key) * (settings_.fade + 1) + std::min(phase - kLive, settings_.fade)];
    }
    if (phase == kBlank) return Classic(kNoBitmap, 0);
    if (phase == kTrail) return Classic(kDeadBitmap, 0);
    // j generations into a fade of F: j / (F + 1) of the way to black, to the
    // nearest level (below 256: F is at most 64).
    return Classic(key & kBitmapBits, static_cast<int>(std::lround((phase - kLive) * 256.0 / (settings_.fade + 1))));
}

int CellLook::BlendFrames(int32_t interval) const {
    if (!settings_.smooth || !active_) return 0;
    const int frames = interval / kFrameMilliseconds;
    return frames >= 2 ? frames : 0;
}

// The steps a change needs: a drawn colour's farthest channel moves
// kLevelsPerStep levels a step; a bitmap takes as many as a blend has frames.
int CellLook::StepsOf(CellShow from, CellShow to) const {
    if (!drawn_) return std::numeric_limits<int>::max();
    const Rgb a = Unpacked(from), b = Unpacked(to);
    const int farthest = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    return (farthest + kLevelsPerStep - 1) / kLevelsPerStep;
}

std::vector<uint8_t> CellLook::ShapeMask(CellShape shape, int pitch) {
    const int size = pitch;  // 10 pixels or more
    std::vector<uint8_t> mask(static_cast<std::size_t>(size) * size, 255);
    const int edge = (size + 5) / 10;  // the rim, or the gap around a shape: a tenth of the cell
    if (shape == CellShape::Square) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (x < edge || y < edge || x >= size - edge || y >= size - edge)
                    mask[static_cast<std::size_t>(y) * size + x] = kRimWeight;
        return mask;
    }
    // Inside a rounded square with a gap around it, or a round dot. Smaller
    // cells take each pixel's centre, crisp; from 20 pixels the edges are
    // sampled 8 x 8 times a pixel, so they blend into the background.
    const double lo = edge, hi = size - edge;
    const double radius = shape == CellShape::Dot ? (hi - lo) / 2 : (hi - lo) * 0.3;
    // Within the radius of the nearest point of the square the corners' centres span.
    auto inside = [&](double x, double y) {
        const double cx = std::clamp(x, lo + radius, hi - radius), cy = std::clamp(y, lo + radius, hi - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
    const int samples = size >= 20 ? 8 : 1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx)
                    hits += inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples);
            mask[static_cast<std::size_t>(y) * size + x] = static_cast<uint8_t>(hits * 255 / (samples * samples));
        }
    return mask;
}

const std::vector<uint8_t>& CellLook::MaskAt(int pitch) {
    auto found = masks_.find(pitch);
    if (found == masks_.end()) found = masks_.emplace(pitch, ShapeMask(settings_.shape, pitch)).first;
    return found->second;
}

template <typename Paint>
const CellPicture& CellLook::Cached(uint64_t key, int pitch, const Paint& paint) {
    Slot& slot = slots_[static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits))];
    if (slot.key == key) return slot.picture;
    slot.key = key;
    slot.picture.loaded = true;
    slot.picture.size = pitch;
    slot.picture.pixels.resize(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(pitch));
    paint(slot.picture);
    return slot.picture;
}

const CellPicture& CellLook::Picture(int pitch, CellShow from, CellShow to, int blend) {
    // blend: 0 to kBlendFull. A look draws either palettes or bitmaps, so
    // the keys of the two kinds never meet; every key holds its pitch (1 or
    // more), so none is 0, an empty slot's.
    if (blend == kBlendFull) from = to;
    if (from == to) blend = 0;
    const uint64_t size = static_cast<uint64_t>(pitch) << 48;
    if (drawn_) {
        const uint32_t colour = Packed(MixColour(Unpacked(from), Unpacked(to), blend));
        return Cached(size | colour, pitch, [&](CellPicture& picture) {
            // Each level of the mask's is worked out once.
            const std::vector<uint8_t>& mask = MaskAt(pitch);
            const Rgb c = Unpacked(colour);
            std::array<uint32_t, 256> levels;
            std::array<bool, 256> known{};
            for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
                const uint8_t m = mask[i];
                if (!known[m]) known[m] = true, levels[m] = value_(Packed(MixColour(backgroundRgb_, c, m + (m >> 7))));
                picture.pixels[i] = levels[m];
            }
        });
    }
    // Classic: a bitmap that did not load draws nothing, as it always has.
    for (const CellShow show : {from, to})
        if (!bitmaps_[std::min<std::size_t>(show >> 8, kNoBitmap)].loaded) return none_;
    const uint64_t key = size | uint64_t{from & 0x7FF} << 20 | uint64_t{to & 0x7FF} << 9 | static_cast<uint64_t>(blend);
    return Cached(key, pitch, [&](CellPicture& picture) {
        const bool shaped = settings_.shape != CellShape::Square;
        const std::vector<uint8_t>* mask = shaped ? &MaskAt(pitch) : nullptr;
        // The bitmaps enlarged as the classic picture draws them.
        const CellPicture a = ScaleSprite(bitmaps_[std::min<std::size_t>(from >> 8, kNoBitmap)], pitch);
        const CellPicture b = ScaleSprite(bitmaps_[std::min<std::size_t>(to >> 8, kNoBitmap)], pitch);
        const int darkA = 256 - static_cast<int>(from & 0xFF), darkB = 256 - static_cast<int>(to & 0xFF);
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
            uint32_t rgb = Packed(MixColour(Unpacked(Scaled(a.pixels[i], darkA)), Unpacked(Scaled(b.pixels[i], darkB)), blend));
            if (mask) rgb = Scaled(rgb, (*mask)[i] + ((*mask)[i] >> 7));
            picture.pixels[i] = value_(rgb);
        }
    });
}

}  // namespace tovra
