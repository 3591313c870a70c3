#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace pf {

/// Hears about video playback.
class VideoPlayerObserver
{
public:
    /// A video has ended.
    virtual void videoPlaybackFinished() = 0;

protected:
    ~VideoPlayerObserver() = default;
};

/// Plays full-screen videos; the desktop plays none.
class VideoPlayer : public lang::Object
{
public:
    /// observer is not owned and may be null.
    explicit VideoPlayer(VideoPlayerObserver* observer) : m_observer(observer) {}
    void play(const lang::String&) {}

private:
    [[maybe_unused]] VideoPlayerObserver* m_observer; ///< told when a video ends; nothing plays here
};

} // namespace pf
