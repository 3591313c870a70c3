#include "Template.h"

#include "BuildError.h"
#include "Image.h"
#include "Share.h"

#include <cmath>
#include <filesystem>

namespace build {

namespace fs = std::filesystem;

namespace {

// The font the template's text is made from: DejaVu is free to ship with a game, and
// Debian's fonts-dejavu-core puts it here.
const char* const FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void put(Image& image, int x, int y, uint32_t rgb, uint8_t alpha = 255)
{
    uint8_t* p = image.pixel(x, y);
    p[0] = static_cast<uint8_t>(rgb >> 16);
    p[1] = static_cast<uint8_t>(rgb >> 8);
    p[2] = static_cast<uint8_t>(rgb);
    p[3] = alpha;
}

/// A 40 x 40 crate: planks with a dark frame and a diagonal brace, 2 x 2 physics units.
Image crate()
{
    Image image(40, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool frame = x < 4 || y < 4 || x >= 36 || y >= 36;
            const bool brace = std::abs(x - y) <= 2;
            const bool seam = y % 8 == 3;
            put(image, x, y, frame || brace ? 0x6b3f1d : seam ? 0x8a5a2b : 0xc08040);
        }
    }
    return image;
}

/// 1024 x 32 of ground: a strip of grass over soil.
Image ground()
{
    Image image(1024, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 1024; ++x)
            put(image, x, y, y < 6 ? 0x4caf50 : ((x / 16 + y / 8) % 2 ? 0x6d4c41 : 0x5d4037));
    }
    return image;
}

/// A round emblem with a transparent margin, so the atlas trims it.
Image logo()
{
    Image image(160, 160);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 160; ++x) {
            const double d = std::hypot(x - 79.5, y - 79.5);
            if (d < 48)
                put(image, x, y, d < 30 ? 0xffd54f : 0xff7043);
        }
    }
    return image;
}

void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(path.parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!file || std::fclose(file) != 0 || !ok)
        throw BuildError(path.string(), "cannot write");
}

} // namespace

void createGame(const std::string& dir)
{
    std::error_code error;
    const fs::path target(dir);
    if (fs::exists(target, error) && !(fs::is_directory(target, error) && fs::is_empty(target, error)))
        throw BuildError(dir, "already exists and is not an empty folder: choose a new one");
    const fs::path source = fs::path(shareDir()) / "template";
    if (!fs::is_directory(source, error))
        throw BuildError(source.string(), "the new-game template is missing: reinstall the engine");
    if (!fs::is_regular_file(FONT, error))
        throw BuildError(FONT, "missing: install Debian's fonts-dejavu-core (./run.sh and ./test.sh do)");

    // Made beside the target and renamed into place: a failure leaves nothing behind.
    const fs::path partial = target.string() + ".part";
    fs::remove_all(partial, error);
    try {
        fs::create_directories(partial);
        fs::copy(source, partial, fs::copy_options::recursive);
        fs::create_directories(partial / "fonts");
        fs::copy_file(FONT, partial / "fonts" / "DejaVuSans.ttf");
        writeBytes(partial / "art" / "crate.png", encodePng(crate()));
        writeBytes(partial / "art" / "ground.png", encodePng(ground()));
        writeBytes(partial / "art" / "logo.png", encodePng(logo()));
        fs::remove(target, error); // an empty folder
        fs::rename(partial, target);
    } catch (const fs::filesystem_error& e) {
        fs::remove_all(partial, error);
        throw BuildError(dir, std::string("cannot write the new game: ") + e.code().message());
    } catch (...) {
        fs::remove_all(partial, error);
        throw;
    }
}

} // namespace build
