#pragma once
// Test doubles for the automaton: a painter that records every call, a
// settable clock and a random stream that plays back given numbers.

#include <deque>
#include <string>
#include <vector>

#include "automaton/Automaton.h"

namespace tovra::test {

struct PaintCall {
    char kind;  // 'L' live, 'D' dead, 'S' sprite choice
    int a, b;
    bool operator==(const PaintCall&) const = default;
};

class RecordingPainter : public CellPainter {
public:
    std::vector<PaintCall> calls;
    int sprite = -1;
    void DrawLiveCell(int x, int y) override { calls.push_back({'L', x, y}); }
    void DrawDeadCell(int x, int y) override { calls.push_back({'D', x, y}); }
    void UseLiveSprite(int colorIndex) override {
        sprite = colorIndex;
        calls.push_back({'S', colorIndex, 0});
    }
    int Count(char kind) const {
        int n = 0;
        for (const auto& c : calls) n += c.kind == kind;
        return n;
    }
};

class FakeClock : public TimeOfDay {
public:
    float now = 1000.0f;
    float SecondsSinceMidnight() override { return now; }
};

// Plays back `script`, then repeats `fallback`. Counts draws and re-seedings.
class ScriptedRandom : public RandomStream {
public:
    std::deque<float> script;
    float fallback = 0.0f;
    int draws = 0;
    std::vector<float> seeds;
    void Randomize(float seed) override { seeds.push_back(seed); }
    float Rnd() override {
        ++draws;
        if (script.empty()) return fallback;
        float r = script.front();
        script.pop_front();
        return r;
    }
};

}  // namespace tovra::test
