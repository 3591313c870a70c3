#pragma once

#include "framework/Clock.h"

#include <SDL.h>

namespace framework {

/// The desktop clock: the performance counter in microseconds, or SDL's millisecond
/// ticks where the counter has no useful frequency.
class SDLClock : public Clock
{
public:
    int64_t microseconds() override
    {
        const Uint64 frequency = SDL_GetPerformanceFrequency();
        if (frequency >= 1000000)
            return static_cast<int64_t>(SDL_GetPerformanceCounter() / (frequency / 1000000));
        return static_cast<int64_t>(SDL_GetTicks64()) * 1000;
    }
    void sleepMillisecond() override { SDL_Delay(1); }
};

} // namespace framework
