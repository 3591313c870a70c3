#pragma once

#include "audio/AudioDevice.h"
#include "audio/AudioMixer.h"
#include "lang/Thread.h"

#include <atomic>
#include <functional>
#include <vector>

namespace audio {

/// Plays any number of clips at once: the mixer's output, kept about 50 ms ahead in the
/// device's queue by the output thread.
class AudioOutput : public lang::Object
{
public:
    /// What opens the device (AudioOutputImpl::open by default); it may throw.
    using Opener = std::function<lang::Ptr<AudioOutputImpl>(const AudioFormat&)>;

    /// Checks the format, then opens the device on a worker thread: opening one takes tens
    /// of milliseconds, and the game's start-up goes on meanwhile. Until the device is open
    /// everything works on the mixer as always and a start() waits for it: the sounds played
    /// before are mixed from the moment it opens. A device that fails to open is logged and
    /// leaves the output silent. Throws lang::Exception (the format's messages of validate()).
    explicit AudioOutput(const AudioFormat& format, Opener opener = Opener());
    /// Over a given device, open at once (tests pump it by hand).
    AudioOutput(const AudioFormat& format, AudioOutputImpl* device);
    /// Waits for the device's opening to end, then stops.
    ~AudioOutput() override;

    /// Starts the mixer, the device and the output thread, or, while the device opens, the
    /// mixer now and the rest once it is open. False when the device refuses or failed to open.
    bool start();
    void stop();
    /// Whether start() holds (the device may still be opening).
    bool isStarted() const { return m_startWanted.load(std::memory_order_acquire); }
    /// Whether the device has opened (and not failed to).
    bool isOpen() const { return m_open.load(std::memory_order_acquire); }
    /// Waits until the device's opening has ended, at most milliseconds; whether it has.
    bool waitForOpening(int milliseconds) const;

    int play(AudioClip* clip, float volume, bool loop, int track) { return m_mixer->play(clip, volume, loop, track); }
    void stop(AudioClip* clip) { m_mixer->stop(clip); }
    int playingCount() { return m_mixer->playingCount(); }
    /// AudioMixer::replaceClip.
    void replaceClip(lang::Ptr<AudioClip>& slot, AudioClip* clip) { m_mixer->replaceClip(slot, clip); }
    void stopAll() { m_mixer->stopAll(); }
    bool isPlaying(int handle) { return m_mixer->isPlaying(handle); }
    bool isClipPlaying(AudioClip* clip) { return m_mixer->isClipPlaying(clip); }
    void setPlayVolume(int handle, float volume) { m_mixer->setPlayVolume(handle, volume); }
    void setTrackVolume(int track, float volume) { m_mixer->setTrackVolume(track, volume); }
    float getTrackVolume(int track) { return m_mixer->getTrackVolume(track); }
    void setTrackLimit(int track, int count) { m_mixer->setTrackLimit(track, count); }

    /// 1 is full level, 0 is -100 dB: kept as hundredths of a decibel, v * 10000 - 10000.
    /// Clamped to 0..1; NaN is 0.
    void setMasterVolume(float volume);
    float getMasterVolume() const;
    /// The master volume in hundredths of a decibel.
    int volumeMillibels() const { return m_millibels.load(std::memory_order_relaxed); }

    /// One step of the output thread: when at least an eighth of the 50 ms queue is free,
    /// mixes that much, applies the master volume and queues it. Returns the bytes queued.
    /// Called by hand only on an output made over a given device.
    int pump();

    AudioMixer* mixer() const { return m_mixer.ptr(); }
    const AudioFormat& format() const { return m_format; }
    /// The queue the thread keeps filled: 50 ms in whole frames.
    int bufferBytes() const { return m_bufferBytes; }

private:
    AudioFormat m_format;
    lang::Ptr<AudioMixer> m_mixer;
    lang::Ptr<AudioOutputImpl> m_device;
    lang::Ptr<lang::Thread> m_thread;
    lang::Ptr<lang::Thread> m_opener;
    lang::Mutex m_startStop; ///< guards the device, the start and the output thread
    Opener m_openDevice;
    int m_bufferBytes = 0;
    std::atomic<int> m_millibels{0};
    std::atomic<bool> m_started{false};     ///< the device plays and the output thread runs
    std::atomic<bool> m_startWanted{false}; ///< start() holds
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_opening{false};
    std::vector<uint8_t> m_block; ///< the output thread's own

    /// The opener thread's body.
    void open();
    /// Starts the open device and the output thread; m_startStop is held.
    bool startDevice();
    void run();
    void applyVolume(int bytes);
};

/// Records from the default capture device into a 50 ms ring that keeps the latest sound.
class AudioInput : public lang::Object
{
public:
    /// Throws lang::Exception with the format's messages ("... while creating AudioInput").
    explicit AudioInput(const AudioFormat& format);
    ~AudioInput() override;

    void start();
    void stop();
    bool isStarted() const { return m_started.load(std::memory_order_acquire); }
    /// The latest captured bytes, oldest first, up to bytes; returns how many.
    int latest(void* out, int bytes);

private:
    AudioFormat m_format;
    lang::Ptr<AudioInputImpl> m_device;
    lang::Ptr<lang::Thread> m_thread;
    lang::Mutex m_lock; ///< guards the ring and start/stop
    std::vector<uint8_t> m_ring;
    size_t m_written = 0;
    std::atomic<bool> m_started{false};

    void run();
};

} // namespace audio
