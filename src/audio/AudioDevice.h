#pragma once

#include "audio/AudioFormat.h"
#include "lang/Object.h"
#include "lang/Ptr.h"

namespace audio {

/// The platform's sound output: a queue of mixed bytes that the device plays in order.
class AudioOutputImpl : public lang::Object
{
public:
    /// Opens the default output device for format, with device buffers of at most 1024
    /// frames. When no device opens, logs why once and opens a silent device that keeps the
    /// same timing, so the game runs on machines without sound. Throws lang::Exception when
    /// not even that opens.
    static lang::Ptr<AudioOutputImpl> open(const AudioFormat& format);

    /// Starts playing what is queued; false when the device refuses.
    virtual bool resume() = 0;
    virtual void pause() = 0;
    /// Bytes queued and not yet played.
    virtual int queued() = 0;
    virtual void queue(const void* data, int bytes) = 0;
    /// Drops what is queued.
    virtual void clear() = 0;
};

/// The platform's sound input: captured bytes waiting to be taken.
class AudioInputImpl : public lang::Object
{
public:
    /// Opens the default capture device for format, or, without one, a device that
    /// captures nothing (logged once).
    static lang::Ptr<AudioInputImpl> open(const AudioFormat& format);

    virtual void resume() = 0;
    virtual void pause() = 0;
    /// Takes up to bytes captured bytes; returns how many.
    virtual int take(void* data, int bytes) = 0;
};

} // namespace audio
