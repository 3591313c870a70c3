#pragma once

#include "audio/AudioClip.h"
#include "lang/Array.h"
#include "lang/Mutex.h"

#include <cstdint>
#include <vector>

namespace audio {

/// Mixes the playing clips into buffers of the output format, in integer fixed point with
/// one clamp at the end. Plays sit on tracks, each with a volume and a limit on how many
/// may play at once.
///
/// Every operation takes the mixer lock: scripts play and stop on the main thread while the
/// output thread mixes. Clips and cursors cross between the two only inside play records
/// under that lock; their counts are not atomic, so a clip the plays may hold is let go
/// through replaceClip(). mix() works without a thread too, so tests pump it by hand.
class AudioMixer : public lang::Object
{
public:
    /// Tracks 0 to 8.
    static const int TRACKS = 9;
    /// The loudest a play may be asked to be. At 16 times full level the gain is 65536 in
    /// the mixer's 1/4096ths, and any 16-bit sample times it still fits 32 bits; louder
    /// would overflow and wrap the sign.
    static constexpr float MAX_PLAY_VOLUME = 16;

    explicit AudioMixer(const AudioFormat& output);

    /// While stopped, play() refuses.
    void start();
    void stop();
    bool isRunning();

    /// Queues a play of clip; returns its handle, or -1 when stopped or the track is full.
    /// The volume is clamped to 0..MAX_PLAY_VOLUME, NaN to 0. Throws lang::Exception
    /// "Track {0} out of bounds! Range [0-8]".
    int play(AudioClip* clip, float volume, bool loop, int track);
    /// Ends every play of clip.
    void stop(AudioClip* clip);
    /// Puts clip in slot's place under the mixer lock, dropping every play of the clip the
    /// slot held first: the output thread never mixes a clip being destroyed or half
    /// replaced. The replaced clip is released after the lock, on the calling thread, where
    /// no play holds it any more. Replacing a clip with itself ends nothing.
    void replaceClip(lang::Ptr<AudioClip>& slot, AudioClip* clip);
    void stopAll();
    /// Whether a play of that handle, or of that clip, has not ended.
    bool isPlaying(int handle);
    /// How many plays are mixed now (started, not finished or stopped); takes the lock.
    int playingCount();
    bool isClipPlaying(AudioClip* clip);
    /// Clamped as in play().
    void setPlayVolume(int handle, float volume);
    /// The volume of the play of that handle, or -1 when there is none.
    float playVolume(int handle);

    /// The volume is clamped to 0..1, NaN to 0.
    void setTrackVolume(int track, float volume);
    float getTrackVolume(int track);
    /// At most count plays at once on the track (compared unsigned: -1 means no limit).
    void setTrackLimit(int track, int count);

    /// Mixes the next bytes of output (a whole number of frames) into out.
    void mix(void* out, int bytes);

    const AudioFormat& format() const { return m_format; }

private:
    struct Play
    {
        lang::Ptr<AudioClip> clip;
        lang::Ptr<AudioClipCursor> cursor;
        float volume = 1;
        int handle = 0;
        int track = 0;
        bool loop = false;
        bool done = false;
    };

    AudioFormat m_format;
    lang::Mutex m_lock;
    float m_trackVolumes[TRACKS];
    uint32_t m_trackLimits[TRACKS];
    std::vector<uint8_t> m_scratch;
    std::vector<int32_t> m_accumulators;
    lang::Array<Play> m_active;
    lang::Array<Play> m_pending;
    int m_nextHandle = 0;
    bool m_running = false;

    static void checkTrack(int track);
    /// Reads bytes of a play's clip into the scratch buffer, rewinding a loop; returns the
    /// bytes delivered.
    int readPlay(Play& play, int bytes);
    void mixPlay(Play& play, int bytes);
};

} // namespace audio
