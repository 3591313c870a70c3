#include "audio/AudioOutput.h"

#include "lang/Debug.h"
#include "lang/Throwable.h"

#include <chrono>
#include <thread>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio {

namespace {

/// 50 ms of format, rounded up to whole frames.
int fiftyMilliseconds(const AudioFormat& format)
{
    const int frames = (format.sampleRate + 19) / 20;
    return frames * format.blockAlign();
}

} // namespace

AudioOutput::AudioOutput(const AudioFormat& format, Opener opener) : m_format(format), m_openDevice(std::move(opener))
{
    validate(format, "AudioOutput");
    m_mixer = new AudioMixer(format);
    m_bufferBytes = fiftyMilliseconds(format);
    if (!m_openDevice)
        m_openDevice = &AudioOutputImpl::open;
    m_opening.store(true, std::memory_order_release);
    // Last: the thread reads everything above.
    m_opener = new lang::Thread(lang::Func1<AudioOutput>(this, &AudioOutput::open), true);
}

AudioOutput::AudioOutput(const AudioFormat& format, AudioOutputImpl* device) : m_format(format), m_device(device)
{
    validate(format, "AudioOutput");
    m_mixer = new AudioMixer(format);
    m_bufferBytes = fiftyMilliseconds(format);
    m_open.store(true, std::memory_order_release);
}

AudioOutput::~AudioOutput()
{
    // The start is withdrawn before the opener is waited for: it finds nothing to start.
    stop();
    m_opener = nullptr; // joins
}

void AudioOutput::open()
{
    lang::Ptr<AudioOutputImpl> device;
    try {
        device = m_openDevice(m_format);
    } catch (const lang::Throwable& e) {
        lang::log("Audio: %s; no sound\n", e.getMessage().c_str());
    } catch (const std::exception& e) {
        lang::log("Audio: %s; no sound\n", e.what());
    }
    lang::MutexLock lock(m_startStop);
    m_device = device;
    m_open.store(device != nullptr, std::memory_order_release);
    if (isStarted() && (!device || !startDevice())) {
        // Nothing will ever mix the plays asked for: they end, and so does the start.
        m_startWanted.store(false, std::memory_order_release);
        m_mixer->stopAll();
        m_mixer->stop();
    }
    m_opening.store(false, std::memory_order_release);
}

bool AudioOutput::waitForOpening(int milliseconds) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (m_opening.load(std::memory_order_acquire)) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool AudioOutput::start()
{
    lang::MutexLock lock(m_startStop);
    if (isStarted())
        return true;
    if (!m_device && !m_opening.load(std::memory_order_acquire))
        return false; // the device failed to open
    m_mixer->start();
    m_startWanted.store(true, std::memory_order_release);
    if (!m_device)
        return true; // the opener starts the device once it is open
    if (startDevice())
        return true;
    m_startWanted.store(false, std::memory_order_release);
    m_mixer->stop();
    return false;
}

bool AudioOutput::startDevice()
{
    // The device starts with one queue of silence, as a freshly made buffer would hold:
    // 8-bit silence is written as 127.
    std::vector<uint8_t> silence(static_cast<size_t>(m_bufferBytes), m_format.bitsPerSample == 8 ? 127 : 0);
    m_device->queue(silence.data(), m_bufferBytes);
    if (!m_device->resume())
        return false;
    m_started.store(true, std::memory_order_release);
    m_thread = new lang::Thread(lang::Func1<AudioOutput>(this, &AudioOutput::run), true);
    m_thread->setPriority(1);
    return true;
}

void AudioOutput::stop()
{
    lang::MutexLock lock(m_startStop);
    if (!isStarted())
        return;
    m_startWanted.store(false, std::memory_order_release);
    if (m_started.load(std::memory_order_acquire)) {
        m_started.store(false, std::memory_order_release);
        m_thread = nullptr; // joins: the body sees the flag within a millisecond
        m_device->pause();
        m_device->clear();
    }
    m_mixer->stop();
}

void AudioOutput::run()
{
    while (m_started.load(std::memory_order_acquire)) {
        lang::Thread::sleep(1);
        pump();
    }
}

int AudioOutput::pump()
{
    int free = m_bufferBytes - m_device->queued();
    if (free < m_bufferBytes / 8)
        return 0;
    free -= free % m_format.blockAlign();
    if (m_block.size() < static_cast<size_t>(free))
        m_block.resize(static_cast<size_t>(free));
    m_mixer->mix(m_block.data(), free);
    applyVolume(free);
    m_device->queue(m_block.data(), free);
    return free;
}

void AudioOutput::applyVolume(int bytes)
{
    const int mB = volumeMillibels();
    if (mB >= 0)
        return; // full level: the samples as mixed
    // Hundredths of a decibel to a linear factor in 1/65536ths.
    const int32_t factor = static_cast<int32_t>(std::pow(10.0, mB / 2000.0) * 65536.0);
    if (m_format.bitsPerSample == 16) {
        int16_t* s = reinterpret_cast<int16_t*>(m_block.data());
        for (int i = 0; i < bytes / 2; ++i)
            s[i] = static_cast<int16_t>((s[i] * factor) >> 16);
    } else {
        for (int i = 0; i < bytes; ++i)
            m_block[i] = static_cast<uint8_t>((((m_block[i] - 128) * factor) >> 16) + 128);
    }
}

void AudioOutput::setMasterVolume(float volume)
{
    // The device's range is silence (-10000) to full level (0); a script's huge or NaN
    // volume must not reach the conversion to int.
    if (!(volume >= 0))
        volume = 0;
    if (volume > 1)
        volume = 1;
    m_millibels.store(static_cast<int>(volume * 10000 - 10000), std::memory_order_relaxed);
}

float AudioOutput::getMasterVolume() const
{
    return (volumeMillibels() + 10000) / 10000.0f;
}

// --- input ---------------------------------------------------------------------

AudioInput::AudioInput(const AudioFormat& format) : m_format(format)
{
    validate(format, "AudioInput");
    m_device = AudioInputImpl::open(format);
    m_ring.resize(static_cast<size_t>(fiftyMilliseconds(format)));
}

AudioInput::~AudioInput()
{
    stop();
}

void AudioInput::start()
{
    lang::MutexLock lock(m_lock);
    if (isStarted())
        return;
    m_device->resume();
    m_started.store(true, std::memory_order_release);
    m_thread = new lang::Thread(lang::Func1<AudioInput>(this, &AudioInput::run), true);
}

void AudioInput::stop()
{
    lang::Ptr<lang::Thread> thread;
    {
        lang::MutexLock lock(m_lock);
        if (!isStarted())
            return;
        m_started.store(false, std::memory_order_release);
        thread = m_thread;
        m_thread = nullptr;
    }
    thread = nullptr; // joins outside the lock the body takes
    m_device->pause();
}

void AudioInput::run()
{
    std::vector<uint8_t> block(m_ring.size());
    while (isStarted()) {
        lang::Thread::sleep(10);
        const int n = m_device->take(block.data(), static_cast<int>(block.size()));
        lang::MutexLock lock(m_lock);
        for (int i = 0; i < n; ++i)
            m_ring[m_written++ % m_ring.size()] = block[static_cast<size_t>(i)];
    }
}

int AudioInput::latest(void* out, int bytes)
{
    lang::MutexLock lock(m_lock);
    const size_t n = std::min({static_cast<size_t>(std::max(bytes, 0)), m_ring.size(), m_written});
    uint8_t* o = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < n; ++i)
        o[i] = m_ring[(m_written - n + i) % m_ring.size()];
    return static_cast<int>(n);
}

} // namespace audio
