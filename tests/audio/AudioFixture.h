#pragma once

#include "audio/AudioClip.h"
#include "audio/AudioDevice.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

/// 16-bit samples as little-endian bytes.
inline std::vector<uint8_t> pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(uint8_t(s));
        bytes.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return bytes;
}

inline lang::Ptr<audio::AudioClip> clip16(const std::vector<int16_t>& samples, int channels = 1, int rate = 44100)
{
    const std::vector<uint8_t> bytes = pcm16(samples);
    return new audio::AudioClip(bytes.data(), int(bytes.size()), audio::AudioFormat(channels, 16, rate));
}

/// A RIFF/WAVE file of the given chunks, each an id and a body.
inline std::string riff(const std::vector<std::pair<std::string, std::string>>& chunks)
{
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    std::string body = "WAVE";
    for (const auto& [id, data] : chunks)
        body += id + u32(uint32_t(data.size())) + data;
    return "RIFF" + u32(uint32_t(body.size())) + body;
}

/// The 16-byte "fmt " body.
inline std::string fmt(int tag, int channels, int rate, int bits)
{
    auto u16 = [](int v) { return std::string{char(v), char(v >> 8)}; };
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const int align = bits * channels / 8;
    return u16(tag) + u16(channels) + u32(uint32_t(rate)) + u32(uint32_t(align * rate)) + u16(align) + u16(bits);
}

inline std::string bytesOf(const std::vector<int16_t>& samples)
{
    const std::vector<uint8_t> b = pcm16(samples);
    return std::string(b.begin(), b.end());
}

/// A device that only keeps what it is given.
class QueueDevice : public audio::AudioOutputImpl
{
public:
    std::vector<uint8_t> bytes;
    bool playing = false;
    bool resume() override { return playing = true; }
    void pause() override { playing = false; }
    int queued() override { return int(bytes.size()); }
    void queue(const void* data, int n) override
    {
        bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    }
    void clear() override { bytes.clear(); }
};

/// Where clips were destroyed: on the thread that owns them, or elsewhere.
struct Destructions
{
    std::thread::id owner = std::this_thread::get_id();
    std::atomic<int> here{0}, elsewhere{0};
};

/// A clip that records on which thread it is destroyed.
class CountedClip : public audio::AudioClip
{
public:
    template <class... Args>
    explicit CountedClip(Destructions* tally, Args&&... args) : AudioClip(std::forward<Args>(args)...), m_tally(tally)
    {
    }
    ~CountedClip() override { ++(std::this_thread::get_id() == m_tally->owner ? m_tally->here : m_tally->elsewhere); }

private:
    Destructions* m_tally;
};
