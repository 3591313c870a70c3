// The builder's atlas step: packing alone, and a whole folder of PNG images into pages; and a
// whole game's build when nothing changed, which a game maker runs after every edit.

#include "Atlas.h"
#include "Builder.h"
#include "Image.h"
#include "Packer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// lo..hi from the generator, the same on every machine.
int uniform(std::mt19937& random, int lo, int hi)
{
    return lo + static_cast<int>(random() % static_cast<uint32_t>(hi - lo + 1));
}

std::vector<build::PackSize> randomSizes(int count)
{
    std::mt19937 random(1000);
    std::vector<build::PackSize> sizes;
    for (int i = 0; i < count; ++i) {
        const int w = uniform(random, 8, 128);
        sizes.push_back({w, uniform(random, 8, 128)});
    }
    return sizes;
}

/// Page area over the area of the pieces: 1 is a perfect packing.
double density(const build::PackResult& result, long pieceArea)
{
    long pageArea = 0;
    for (const build::PackSize& page : result.pages)
        pageArea += static_cast<long>(page.width) * page.height;
    return static_cast<double>(pageArea) / static_cast<double>(pieceArea);
}

/// A folder of generated PNG images, removed at the end.
class ImageFolder
{
public:
    explicit ImageFolder(int count)
    {
        char pattern[] = "/tmp/pelterra-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "";
        std::mt19937 random(200);
        for (int i = 0; i < count; ++i) {
            const int w = uniform(random, 8, 128), h = uniform(random, 8, 128), border = uniform(random, 0, 4);
            build::Image image(w + 2 * border, h + 2 * border);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    uint8_t* p = image.pixel(border + x, border + y);
                    p[0] = static_cast<uint8_t>(x * 2), p[1] = static_cast<uint8_t>(y * 2), p[2] = static_cast<uint8_t>(i);
                    p[3] = 255;
                }
            const std::vector<uint8_t> bytes = build::encodePng(image);
            std::ofstream(m_path + "/s" + std::to_string(i) + ".png", std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            m_slotArea += static_cast<long>(w + 4) * (h + 4);
        }
    }
    ~ImageFolder() { std::filesystem::remove_all(m_path); }

    const std::string& path() const { return m_path; }
    long slotArea() const { return m_slotArea; } ///< trimmed sizes, padding 2, extrusion 1

private:
    std::string m_path;
    long m_slotArea = 0;
};

} // namespace

static void PackRandomSprites(benchmark::State& state)
{
    const std::vector<build::PackSize> sizes = randomSizes(static_cast<int>(state.range(0)));
    long area = 0;
    for (const build::PackSize& s : sizes)
        area += static_cast<long>(s.width) * s.height;
    build::PackResult result;
    for (auto _ : state) {
        result = build::pack(sizes, {2048, 2048, false});
        benchmark::DoNotOptimize(result.placements.data());
    }
    state.counters["density"] = density(result, area);
    state.counters["pages"] = static_cast<double>(result.pages.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PackRandomSprites)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

static void BuildAtlasFromPngs(benchmark::State& state)
{
    const ImageFolder folder(200);
    build::AtlasSpec spec;
    spec.name = "sprites/bench";
    spec.imagesDir = folder.path();
    long pageArea = 0;
    for (auto _ : state) {
        const build::AtlasResult result = build::buildAtlas(spec);
        benchmark::DoNotOptimize(result.files.data());
        state.PauseTiming();
        pageArea = 0;
        for (const build::OutputFile& file : result.files) {
            if (file.path.size() > 4 && file.path.compare(file.path.size() - 4, 4, ".png") == 0) {
                const build::Image page =
                    build::decodePng(std::string(file.bytes.begin(), file.bytes.end()), file.path);
                pageArea += static_cast<long>(page.width()) * page.height();
            }
        }
        state.ResumeTiming();
    }
    state.counters["density"] = static_cast<double>(pageArea) / static_cast<double>(folder.slotArea());
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BuildAtlasFromPngs)->Unit(benchmark::kMillisecond);

static void BuildGameWithNothingChanged(benchmark::State& state)
{
    // A game of 1,000 sprites in two atlases, 50 scripts and a font: built once, then again.
    const ImageFolder art(1000);
    namespace fs = std::filesystem;
    const std::string src = art.path() + "/game";
    fs::create_directories(src + "/scripts");
    for (int i = 0; i < 1000; ++i)
        fs::rename(art.path() + "/s" + std::to_string(i) + ".png",
                   art.path() + "/" + (i % 2 ? "a" : "b") + std::to_string(i) + ".png");
    fs::create_directories(src + "/art/a");
    fs::create_directories(src + "/art/b");
    for (const auto& entry : fs::directory_iterator(art.path())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file())
            fs::rename(entry.path(), src + "/art/" + name.substr(0, 1) + "/" + name);
    }
    for (int i = 0; i < 50; ++i)
        std::ofstream(src + "/scripts/s" + std::to_string(i) + ".lua") << "function f" << i << "(x) return x * " << i << " end\n";
    std::ofstream(src + "/game.lua") << "scripts = { 'scripts' }\n"
                                        "atlases = { { name = 'sprites/a', images = 'art/a' },\n"
                                        "            { name = 'sprites/b', images = 'art/b' } }\n"
                                        "fonts = { { name = 'fonts/body', file = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf', size = 24 } }\n";
    build::BuildOptions options;
    options.source = src;
    options.output = src + "/build";
    options.quiet = true;
    std::ostringstream log;
    build::buildGame(options, log);
    build::BuildReport report;
    for (auto _ : state)
        report = build::buildGame(options, log);
    state.counters["steps_run"] = report.stepsRun;
    state.counters["files_written"] = report.filesWritten;
}
BENCHMARK(BuildGameWithNothingChanged)->Unit(benchmark::kMillisecond);
