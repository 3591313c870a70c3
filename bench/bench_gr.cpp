// The 2D batch: CPU cost per sprite submitted (no GL), the frame time of screens of 32 x 32
// sprites from one 256 x 256 atlas in a 1280 x 720 window, and of 1 x 1 sprites each turned
// by its own angle, on both renderers (run under xvfb-run).

#include "framework/App.h"
#include "framework/Framework.h"
#include "framework/sdl/OSSDL.h"
#include "gr/Context.h"
#include "lang/Debug.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

/// A context that batches but draws nothing: what is left is the submission's own cost.
class CountingContext : public gr::Context
{
public:
    CountingContext() { resize(1280, 720); }
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}
    int batches = 0;

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
    void drawBatch(gr::Batch2D&) override { ++batches; }
};

class AtlasTexture : public gr::Texture
{
public:
    int width() const override { return 256; }
    int height() const override { return 256; }
    gr::PixelFormat format() const override { return gr::PixelFormat::A8B8G8R8; }
    int mipLevels() const override { return 0; }
    void setSurface(int, int, const void*, int, int, int, int, gr::PixelFormat::Type) override {}
};

void quiet(const char*, void*)
{
}

/// Draws count sprites spread over the screen from an 8 x 8 grid of 32 x 32 atlas cells.
void drawScreen(gr::Context& context, gr::Texture* atlas, int count)
{
    for (int i = 0; i < count; ++i) {
        const float x = static_cast<float>((i * 37) % 1248), y = static_cast<float>((i * 53) % 688);
        const float sx = static_cast<float>((i % 8) * 32), sy = static_cast<float>((i / 8 % 8) * 32);
        context.drawImage(atlas, x, y, sx, sy, 32, 32, 32, 32);
    }
    context.flush();
}

} // namespace

static void BatchSubmitPerSprite(benchmark::State& s)
{
    lang::Ptr<CountingContext> context = new CountingContext;
    lang::Ptr<AtlasTexture> atlas = new AtlasTexture;
    const int count = static_cast<int>(s.range(0));
    for (auto _ : s)
        drawScreen(*context, atlas.ptr(), count);
    s.SetItemsProcessed(s.iterations() * count); // items/s: sprites submitted per second
    s.counters["ns_per_sprite"] =
        benchmark::Counter(static_cast<double>(s.iterations()) * count, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BatchSubmitPerSprite)->Arg(1000)->Arg(10000)->Arg(50000);

namespace {

/// Whole frames of a window on the renderer of kind: cleared, drawn by draw, presented.
template <class Draw>
void frames(benchmark::State& s, int kind, Draw draw)
{
    if (!std::getenv("DISPLAY")) {
        s.SkipWithError("needs an X server: run under xvfb-run");
        return;
    }
    lang::setLogSink(&quiet, nullptr);
    framework::OSSDL platform;
    if (!platform.createWindow("bench", 1280, 720, false)) {
        s.SkipWithError("no window");
        return;
    }
    lang::Array<int> kinds;
    kinds.add(kind);
    lang::Ptr<gr::Context> context = platform.createContext(kinds, 0);
    context->setVsync(false);
    context->setShaderPath(BENCH_SOURCE_DIR "/../share/effects/");
    lang::Ptr<gr::Texture> atlas = context->createTexture(256, 256, 0, gr::PixelFormat::A8B8G8R8, 0);
    std::vector<uint8_t> pixels(256 * 256 * 4, 200);
    atlas->setSurface(0, 0, pixels.data(), 256 * 4, 0, 256, 256, gr::PixelFormat::A8B8G8R8);
    const int count = static_cast<int>(s.range(0));
    for (auto _ : s) {
        context->clear(0xff000000, true, true, false);
        draw(*context, atlas.ptr(), count);
        context->present();
    }
    s.SetItemsProcessed(s.iterations() * count);
    atlas = nullptr;
    context = nullptr;
    platform.destroyWindow();
    lang::setLogSink(nullptr, nullptr);
}

/// Sprites of 1 x 1 pixel spread over the screen, each turned by its own angle.
void drawTurnedPixels(gr::Context& context, gr::Texture* atlas, int count)
{
    const float uv[8] = {0, 0, 1.0f / 256, 0, 0, 1.0f / 256, 1.0f / 256, 1.0f / 256};
    for (int i = 0; i < count; ++i) {
        const float x = static_cast<float>((i * 37) % 1279), y = static_cast<float>((i * 53) % 719);
        context.drawImageTransformed(atlas, x, y, 1, 1, 0.5f, 0.5f, static_cast<float>(i) * 0.01f, 1, 1, uv);
    }
    context.flush();
}

} // namespace

// Arguments: the sprite count, then the renderer kind (7 shaders, 6 fixed function).
static void ScreenOfSprites(benchmark::State& s)
{
    frames(s, static_cast<int>(s.range(1)), &drawScreen);
}
BENCHMARK(ScreenOfSprites)->ArgsProduct({{1000, 10000, 50000}, {7, 6}})->Unit(benchmark::kMillisecond)->Iterations(20);

static void TurnedPixels(benchmark::State& s)
{
    frames(s, static_cast<int>(s.range(1)), &drawTurnedPixels);
}
BENCHMARK(TurnedPixels)->ArgsProduct({{1000, 10000, 50000}, {7, 6}})->Unit(benchmark::kMillisecond)->Iterations(20);
