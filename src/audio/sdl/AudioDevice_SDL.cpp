// The SDL2 audio devices: queued output without a callback, and queued capture. Without a
// sound card the output falls back to SDL's silent dummy driver.

#include "audio/AudioDevice.h"

#include "lang/Debug.h"
#include "lang/Exception.h"
#include "lang/Mutex.h"

#include <SDL.h>

#include <cstring>
#include <string>

namespace audio {

namespace {

lang::Mutex& driverLock()
{
    static lang::Mutex lock;
    return lock;
}

SDL_AudioSpec specOf(const AudioFormat& format)
{
    SDL_AudioSpec spec;
    SDL_zero(spec);
    spec.freq = format.sampleRate;
    spec.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    spec.channels = static_cast<Uint8>(format.channels);
    // Device buffers of at most 1024 frames, a power of two within 50 ms.
    Uint16 frames = 1024;
    while (frames > 64 && frames * 20 > format.sampleRate)
        frames /= 2;
    spec.samples = frames;
    return spec;
}

/// Opens a device on the current driver, initialising the audio subsystem; 0 on failure.
SDL_AudioDeviceID openDevice(const AudioFormat& format, int capture, std::string* why)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *why = SDL_GetError();
        return 0;
    }
    SDL_AudioSpec want = specOf(format), have;
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && std::strcmp(driver, "dummy") == 0) {
        // Nobody hears the dummy driver, and closing it waits out its thread's sleep of one
        // period: periods of at most 5 ms let a game without a sound card exit at once.
        while (want.samples > 64 && want.samples * 200 > want.freq)
            want.samples /= 2;
    }
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, capture, &want, &have, 0);
    if (device == 0) {
        *why = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    return device;
}

class AudioOutputImpl_SDL : public AudioOutputImpl
{
public:
    explicit AudioOutputImpl_SDL(SDL_AudioDeviceID device) : m_device(device) {}
    ~AudioOutputImpl_SDL() override
    {
        SDL_CloseAudioDevice(m_device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    bool resume() override
    {
        SDL_PauseAudioDevice(m_device, 0);
        return SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PLAYING;
    }
    void pause() override { SDL_PauseAudioDevice(m_device, 1); }
    int queued() override { return static_cast<int>(SDL_GetQueuedAudioSize(m_device)); }
    void queue(const void* data, int bytes) override { SDL_QueueAudio(m_device, data, static_cast<Uint32>(bytes)); }
    void clear() override { SDL_ClearQueuedAudio(m_device); }

private:
    SDL_AudioDeviceID m_device;
};

class AudioInputImpl_SDL : public AudioInputImpl
{
public:
    explicit AudioInputImpl_SDL(SDL_AudioDeviceID device) : m_device(device) {}
    ~AudioInputImpl_SDL() override
    {
        if (m_device) {
            SDL_CloseAudioDevice(m_device);
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    void resume() override
    {
        if (m_device)
            SDL_PauseAudioDevice(m_device, 0);
    }
    void pause() override
    {
        if (m_device) {
            SDL_PauseAudioDevice(m_device, 1);
            SDL_ClearQueuedAudio(m_device);
        }
    }
    int take(void* data, int bytes) override
    {
        return m_device ? static_cast<int>(SDL_DequeueAudio(m_device, data, static_cast<Uint32>(bytes))) : 0;
    }

private:
    SDL_AudioDeviceID m_device; ///< 0: no capture device, nothing captured
};

} // namespace

lang::Ptr<AudioOutputImpl> AudioOutputImpl::open(const AudioFormat& format)
{
    lang::MutexLock lock(driverLock());
    std::string why;
    SDL_AudioDeviceID device = openDevice(format, 0, &why);
    if (device == 0) {
        // The game must run without a sound card: the dummy driver keeps time silently,
        // and stays chosen for the rest of the run, so this is said once.
        lang::log("Audio: no sound device (%s); playing silently\n", why.c_str());
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        device = openDevice(format, 0, &why);
        if (device == 0)
            throw lang::Exception(lang::Format("AudioOutput creation failed: {0}", why.c_str()));
    }
    return new AudioOutputImpl_SDL(device);
}

lang::Ptr<AudioInputImpl> AudioInputImpl::open(const AudioFormat& format)
{
    lang::MutexLock lock(driverLock());
    std::string why;
    const SDL_AudioDeviceID device = openDevice(format, 1, &why);
    if (device == 0) {
        static bool told = false;
        if (!told)
            lang::log("Audio: no capture device (%s); recording nothing\n", why.c_str());
        told = true;
    }
    return new AudioInputImpl_SDL(device);
}

} // namespace audio
