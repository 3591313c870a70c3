#pragma once

#include "lang/Array.h"
#include "lang/String.h"

#include <cstdint>
#include <vector>

namespace gr {
class Context;
}

namespace game {

class World;

/// Developer mode's statistics overlay (F4): what a frame cost and what the game holds,
/// drawn in the engine's own lettering in the top-left corner.
class DeveloperStats
{
public:
    /// The figures of one frame.
    struct Numbers
    {
        float frameMilliseconds = 0; ///< the frame's time step
        float stepMilliseconds = 0;  ///< the fixed steps in it, wall time
        int bodiesAwake = 0;
        int bodies = 0;
        int drawCalls = 0; ///< the game's own, before the overlay drew
        int quads = 0;     ///< triangles / 2
        int textures = 0;
        int64_t textureBytes = 0;
        long luaBytes = 0;
        int voices = -1; ///< plays in the mixer; -1 without an audio output
    };

    /// Frames the graph keeps: three seconds at 60 frames a second.
    static constexpr int HISTORY = 180;
    static constexpr uint32_t PANEL = 0xc0000000;
    static constexpr uint32_t TEXT = 0xffffffff;
    static constexpr uint32_t BAR = 0xff40ff40;
    static constexpr uint32_t SLOW_BAR = 0xffff4040; ///< a frame longer than 1/30 s
    static constexpr uint32_t SIXTY_LINE = 0xffffff40;

    /// Reads the figures of the frame drawn so far: dt the frame's time step, voices the
    /// mixer's plays (-1 for none). Call it before anything but the game has drawn.
    static Numbers measure(float dt, const World& world, gr::Context* context, long luaBytes, int voices);
    /// The lines the overlay shows for numbers.
    static lang::Array<lang::String> lines(const Numbers& numbers);

    /// Keeps a frame's figures and its time for the graph.
    void record(const Numbers& numbers);
    const Numbers& last() const { return m_last; }
    /// The frame times in the graph, oldest first, in ms.
    std::vector<float> history() const;
    /// Draws the panel: the lines, and under them a bar a frame, 1 pixel a millisecond.
    void draw(gr::Context* context) const;

private:
    Numbers m_last;
    float m_times[HISTORY] = {};
    int m_next = 0;
    int m_count = 0;
};

} // namespace game
