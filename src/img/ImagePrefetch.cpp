#include "img/ImagePrefetch.h"

#include "img/ImageFile.h"
#include "io/PathName.h"
#include "lang/Debug.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

using gr::PixelFormat;

namespace img {

namespace {

/// An image read whole into memory: paletted files as A8B8G8R8 (what a context makes of
/// them), the others in their own format, so that any format asked for later converts from
/// the file's own pixels.
struct Decoded
{
    int width = 0, height = 0;
    PixelFormat format;                   ///< the file's
    PixelFormat::Type stored = PixelFormat::UNKNOWN;
    std::vector<std::vector<uint8_t>> levels;
};

class DecodedImage : public gr::ImageSource
{
public:
    explicit DecodedImage(std::unique_ptr<Decoded> image) : m_image(std::move(image)) {}

    int width() const override { return m_image->width; }
    int height() const override { return m_image->height; }
    int mipLevels() const override { return static_cast<int>(m_image->levels.size()); }
    PixelFormat format() const override { return m_image->format; }
    void readSurface(void* dstBytes, int pitch, PixelFormat::Type format) override
    {
        const int level = m_next++;
        const int w = std::max(m_image->width >> level, 1), h = std::max(m_image->height >> level, 1);
        const uint8_t* src = m_image->levels.at(static_cast<size_t>(level)).data();
        const int64_t srcPitch = PixelFormat::rowPitch(m_image->stored, w);
        uint8_t* dst = static_cast<uint8_t*>(dstBytes);
        for (int y = 0; y < h; ++y) {
            if (format == m_image->stored)
                std::memcpy(dst + int64_t(y) * pitch, src + y * srcPitch, static_cast<size_t>(srcPitch));
            else
                PixelFormat::convert(format, dst + int64_t(y) * pitch, m_image->stored, src + y * srcPitch, w);
        }
    }
    const void* surfaceAsHeld(PixelFormat::Type format, int* pitch) override
    {
        if (format != m_image->stored)
            return nullptr;
        const int level = m_next++;
        *pitch = static_cast<int>(PixelFormat::rowPitch(m_image->stored, std::max(m_image->width >> level, 1)));
        return m_image->levels.at(static_cast<size_t>(level)).data();
    }

private:
    std::unique_ptr<Decoded> m_image;
    int m_next = 0;
};

std::unique_ptr<Decoded> decode(const std::string& name)
{
    try {
        ImageFile file{lang::String(name)};
        // Block-compressed files go straight to the GPU as they are: nothing to win here.
        if (file.format().isCompressed())
            return nullptr;
        std::unique_ptr<Decoded> image(new Decoded);
        image->width = file.width();
        image->height = file.height();
        image->format = file.format();
        image->stored = file.format().isPaletted() ? PixelFormat::A8B8G8R8 : file.format().type();
        for (int level = 0; level < file.mipLevels(); ++level) {
            const int w = std::max(image->width >> level, 1), h = std::max(image->height >> level, 1);
            const int64_t pitch = PixelFormat::rowPitch(image->stored, w);
            image->levels.emplace_back(static_cast<size_t>(std::max(pitch * h, PixelFormat::surfaceSize(image->stored, w, h))));
            file.readSurface(image->levels.back().data(), static_cast<int>(pitch), image->stored);
        }
        return image;
    } catch (...) {
        return nullptr; // open() meets the same fault and reports it where the game can see it
    }
}

std::string normalised(const std::string& name)
{
    return io::PathName(lang::String(name)).fullPath();
}

class Prefetch
{
public:
    ~Prefetch() { finish(false); }

    void start(std::vector<std::string> fileNames)
    {
        finish(false);
        m_items.clear();
        for (const std::string& name : fileNames)
            m_items.push_back(Item{normalised(name), PENDING, nullptr});
        if (!m_items.empty())
            m_thread = std::thread([this] { run(); });
    }

    std::unique_ptr<gr::ImageSource> open(const lang::String& fileName)
    {
        std::unique_lock<std::mutex> hold(m_lock);
        if (!m_items.empty()) {
            const std::string key = normalised(fileName.str());
            for (Item& item : m_items) {
                if (item.name != key || item.state == TAKEN)
                    continue;
                if (item.state == PENDING) {
                    // Not begun: decoding it here is sooner than waiting behind the others.
                    item.state = TAKEN;
                    break;
                }
                m_changed.wait(hold, [&item] { return item.state == DONE; });
                item.state = TAKEN;
                if (item.image)
                    return std::unique_ptr<gr::ImageSource>(new DecodedImage(std::move(item.image)));
                break;
            }
        }
        hold.unlock();
        return ImageFile::open(fileName);
    }

    void waitForThread()
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] {
            return std::none_of(m_items.begin(), m_items.end(),
                                [](const Item& item) { return item.state == PENDING || item.state == DECODING; });
        });
    }

    void finish(bool report)
    {
        if (m_thread.joinable())
            m_thread.join();
        for (const Item& item : m_items)
            if (report && item.state == DONE && item.image)
                lang::log("Preloaded image %s was not loaded during the start-up\n", item.name.c_str());
        m_items.clear();
    }

private:
    enum State { PENDING, DECODING, DONE, TAKEN };
    struct Item
    {
        std::string name;
        State state;
        std::unique_ptr<Decoded> image;
    };

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Item> m_items; ///< fixed while the thread runs; states and images change under m_lock
    std::thread m_thread;

    void run()
    {
        for (Item& item : m_items) {
            std::string name;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                if (item.state != PENDING)
                    continue;
                item.state = DECODING;
                name = item.name;
            }
            std::unique_ptr<Decoded> image = decode(name);
            {
                std::lock_guard<std::mutex> hold(m_lock);
                item.image = std::move(image);
                item.state = DONE;
            }
            m_changed.notify_all();
        }
    }
};

Prefetch& prefetch()
{
    static Prefetch instance;
    return instance;
}

} // namespace

void ImagePrefetch::start(std::vector<std::string> fileNames)
{
    prefetch().start(std::move(fileNames));
}

std::unique_ptr<gr::ImageSource> ImagePrefetch::open(const lang::String& fileName)
{
    return prefetch().open(fileName);
}

void ImagePrefetch::waitForThread()
{
    prefetch().waitForThread();
}

void ImagePrefetch::finish()
{
    prefetch().finish(true);
}

} // namespace img
