#include "audio/AudioMixer.h"

#include "lang/Exception.h"

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

/// A volume within 0..highest; NaN, which every comparison fails, counts as silence.
float clampVolume(float volume, float highest)
{
    return volume > 0 ? std::min(volume, highest) : 0;
}

static_assert(static_cast<int64_t>(AudioMixer::MAX_PLAY_VOLUME * 4096) * 32768 <= int64_t(1) << 31,
              "a full-scale 16-bit sample at the loudest gain fits 32 bits");

} // namespace

AudioMixer::AudioMixer(const AudioFormat& output) : m_format(output)
{
    for (int i = 0; i < TRACKS; ++i) {
        m_trackVolumes[i] = 1.0f;
        m_trackLimits[i] = 0xffffffffu;
    }
}

void AudioMixer::checkTrack(int track)
{
    if (static_cast<unsigned>(track) >= static_cast<unsigned>(TRACKS))
        throw lang::Exception(lang::Format("Track {0} out of bounds! Range [0-{1}]", track, TRACKS - 1));
}

void AudioMixer::start()
{
    lang::MutexLock lock(m_lock);
    m_running = true;
}

void AudioMixer::stop()
{
    lang::MutexLock lock(m_lock);
    m_running = false;
}

bool AudioMixer::isRunning()
{
    lang::MutexLock lock(m_lock);
    return m_running;
}

int AudioMixer::play(AudioClip* clip, float volume, bool loop, int track)
{
    checkTrack(track);
    lang::MutexLock lock(m_lock);
    if (!m_running)
        return -1;
    uint32_t playing = 0;
    for (const lang::Array<Play>* list : {&m_active, &m_pending})
        for (const Play& p : *list)
            playing += p.track == track && !p.done;
    if (playing >= m_trackLimits[track])
        return -1;
    Play p;
    p.clip = clip;
    p.cursor = new AudioClipCursor;
    p.volume = clampVolume(volume, MAX_PLAY_VOLUME);
    p.handle = m_nextHandle++;
    p.track = track;
    p.loop = loop;
    m_pending.add(p);
    return p.handle;
}

void AudioMixer::stop(AudioClip* clip)
{
    lang::MutexLock lock(m_lock);
    for (lang::Array<Play>* list : {&m_active, &m_pending})
        for (Play& p : *list)
            if (p.clip.ptr() == clip)
                p.done = true;
}

void AudioMixer::replaceClip(lang::Ptr<AudioClip>& slot, AudioClip* clip)
{
    lang::Ptr<AudioClip> replaced; // declared before the lock: released after it
    lang::MutexLock lock(m_lock);
    if (slot.ptr() == clip)
        return;
    // Marking the plays done would leave them holding the clip until the output thread's
    // next pass, which would then count it down while this thread does.
    for (lang::Array<Play>* list : {&m_active, &m_pending}) {
        int kept = 0;
        for (int i = 0; i < list->size(); ++i)
            if ((*list)[i].clip.ptr() != slot.ptr())
                (*list)[kept++] = (*list)[i];
        list->resize(kept);
    }
    replaced = slot;
    slot = clip;
}

void AudioMixer::stopAll()
{
    lang::MutexLock lock(m_lock);
    for (lang::Array<Play>* list : {&m_active, &m_pending})
        for (Play& p : *list)
            p.done = true;
}

bool AudioMixer::isPlaying(int handle)
{
    lang::MutexLock lock(m_lock);
    for (const lang::Array<Play>* list : {&m_active, &m_pending})
        for (const Play& p : *list)
            if (p.handle == handle && !p.done)
                return true;
    return false;
}

int AudioMixer::playingCount()
{
    lang::MutexLock lock(m_lock);
    int count = 0;
    for (const lang::Array<Play>* list : {&m_active, &m_pending})
        for (const Play& p : *list)
            count += p.done ? 0 : 1;
    return count;
}

bool AudioMixer::isClipPlaying(AudioClip* clip)
{
    lang::MutexLock lock(m_lock);
    for (const lang::Array<Play>* list : {&m_active, &m_pending})
        for (const Play& p : *list)
            if (p.clip.ptr() == clip && !p.done)
                return true;
    return false;
}

void AudioMixer::setPlayVolume(int handle, float volume)
{
    lang::MutexLock lock(m_lock);
    for (lang::Array<Play>* list : {&m_active, &m_pending})
        for (Play& p : *list)
            if (p.handle == handle)
                p.volume = clampVolume(volume, MAX_PLAY_VOLUME);
}

float AudioMixer::playVolume(int handle)
{
    lang::MutexLock lock(m_lock);
    for (const lang::Array<Play>* list : {&m_active, &m_pending})
        for (const Play& p : *list)
            if (p.handle == handle)
                return p.volume;
    return -1;
}

void AudioMixer::setTrackVolume(int track, float volume)
{
    checkTrack(track);
    lang::MutexLock lock(m_lock);
    m_trackVolumes[track] = clampVolume(volume, 1);
}

float AudioMixer::getTrackVolume(int track)
{
    checkTrack(track);
    lang::MutexLock lock(m_lock);
    return m_trackVolumes[track];
}

void AudioMixer::setTrackLimit(int track, int count)
{
    checkTrack(track);
    lang::MutexLock lock(m_lock);
    m_trackLimits[track] = static_cast<uint32_t>(count);
}

int AudioMixer::readPlay(Play& play, int bytes)
{
    if (m_scratch.size() < static_cast<size_t>(bytes))
        m_scratch.resize(static_cast<size_t>(bytes));
    int got = 0;
    bool rewound = false;
    while (got < bytes) {
        int n = 0;
        try {
            n = play.clip->read(&m_scratch[static_cast<size_t>(got)], bytes - got, play.cursor.ptr());
        } catch (const lang::Throwable&) {
            // A file that fails while streaming ends its play, not the output thread.
            play.done = true;
            break;
        }
        if (n > 0) {
            got += n;
            rewound = false;
            continue;
        }
        // A loop starts over; an empty loop would start over for ever, so it ends too.
        if (play.loop && !rewound) {
            play.cursor->reset();
            rewound = true;
            continue;
        }
        play.done = true;
        break;
    }
    return got;
}

void AudioMixer::mixPlay(Play& play, int bytes)
{
    const float trackVolume = m_trackVolumes[play.track];
    if (m_format.bitsPerSample == 16) {
        const bool monoToStereo = m_format.channels == 2 && play.clip->channels() == 1;
        const int got = readPlay(play, monoToStereo ? bytes / 2 : bytes);
        // Volumes are clamped where they are set, so that this product and gain × s fit.
        const int32_t gain = static_cast<int32_t>(trackVolume * play.volume * 4096);
        if (gain <= 0)
            return;
        const int samples = got / 2;
        const uint8_t* in = m_scratch.data();
        int32_t* acc = m_accumulators.data();
        for (int i = 0; i < samples; ++i) {
            const int32_t s = static_cast<int16_t>(in[2 * i] | in[2 * i + 1] << 8);
            const int32_t value = (gain * s) >> 12;
            if (monoToStereo) {
                acc[2 * i] += value;
                acc[2 * i + 1] += value;
            } else {
                acc[i] += value;
            }
        }
    } else {
        const int got = readPlay(play, bytes);
        const int32_t gain = static_cast<int32_t>(trackVolume * play.volume * 256);
        if (gain <= 0)
            return;
        const uint8_t* in = m_scratch.data();
        int32_t* acc = m_accumulators.data();
        for (int i = 0; i < got; ++i)
            acc[i] += (gain * (in[i] - 128)) >> 8;
    }
}

void AudioMixer::mix(void* out, int bytes)
{
    lang::MutexLock lock(m_lock);
    for (Play& p : m_pending)
        m_active.add(p);
    m_pending.clear();
    int kept = 0;
    for (int i = 0; i < m_active.size(); ++i)
        if (!m_active[i].done)
            m_active[kept++] = m_active[i];
    m_active.resize(kept);

    const int sampleBytes = m_format.bitsPerSample / 8;
    const int samples = bytes / sampleBytes;
    m_accumulators.assign(static_cast<size_t>(samples), 0);
    for (Play& p : m_active)
        if (!p.done)
            mixPlay(p, samples * sampleBytes);

    if (sampleBytes == 2) {
        int16_t* o = static_cast<int16_t*>(out);
        for (int i = 0; i < samples; ++i)
            o[i] = static_cast<int16_t>(std::clamp(m_accumulators[i], -32768, 32767));
    } else {
        uint8_t* o = static_cast<uint8_t*>(out);
        for (int i = 0; i < samples; ++i)
            o[i] = static_cast<uint8_t>(std::clamp(m_accumulators[i] + 128, 0, 255));
    }
}

} // namespace audio
