#include "Atlas.h"

#include "BuildError.h"
#include "Image.h"
#include "Packer.h"
#include "ResourceWriters.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace build {

namespace {

namespace fs = std::filesystem;

/// One PNG under the images folder.
struct Source
{
    std::string name; ///< the sprite name: the relative path without ".png"
    std::string path; ///< the file, as messages name it
};

bool isPng(const std::string& fileName)
{
    if (fileName.size() < 4)
        return false;
    std::string ending = fileName.substr(fileName.size() - 4);
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".png";
}

std::string joinPath(const std::string& dir, const std::string& relative)
{
    if (dir.empty())
        return relative;
    return dir.back() == '/' ? dir + relative : dir + "/" + relative;
}

/// Every PNG under the folder, ordered by sprite name (then by file, so that two files of
/// one name sit side by side).
std::vector<Source> findSources(const AtlasSpec& spec)
{
    std::error_code error;
    if (!fs::is_directory(spec.imagesDir, error))
        throw BuildError(spec.origin.file, spec.origin.line, "the images folder " + spec.imagesDir + " does not exist");
    std::vector<std::pair<std::string, std::string>> found; // name, relative path
    const fs::path root(spec.imagesDir);
    fs::recursive_directory_iterator it(root, error), end;
    if (error)
        throw BuildError(spec.imagesDir, "cannot read the folder: " + error.message());
    for (; it != end; it.increment(error)) {
        if (error)
            throw BuildError(spec.imagesDir, "cannot read the folder: " + error.message());
        // A link to nowhere is no image: skipped like any other file that isn't one.
        std::error_code notFile;
        if (!isPng(it->path().filename().string()) || !it->is_regular_file(notFile))
            continue;
        const std::string relative = it->path().lexically_relative(root).generic_string();
        found.emplace_back(relative.substr(0, relative.size() - 4), relative);
    }
    if (error)
        throw BuildError(spec.imagesDir, "cannot read the folder: " + error.message());
    std::sort(found.begin(), found.end());
    std::vector<Source> sources;
    for (const auto& [name, relative] : found)
        sources.push_back({name, joinPath(spec.imagesDir, relative)});
    return sources;
}

// ---- Pivots ----

/// Where the pivot lies along one side of the untrimmed image.
struct AxisPivot
{
    enum Kind { UNSET, START, CENTRE, END, PIXEL } kind = UNSET;
    int pixel = 0;

    int resolve(int side) const
    {
        switch (kind) {
        case START: return 0;
        case END: return side;
        case PIXEL: return pixel;
        default: return side / 2; // as the engine's centre anchors round
        }
    }
};

struct PivotEntry
{
    AxisPivot x, y;
    int line = 0;
};

struct Pivots
{
    std::map<std::string, PivotEntry> named;
    PivotEntry fallback; ///< the '*' line, or both centres
};

struct AnchorWord
{
    const char* word;
    bool vertical;
    AxisPivot::Kind kind;
};

const AnchorWord kAnchorWords[] = {
    {"LEFT", false, AxisPivot::START}, {"HCENTER", false, AxisPivot::CENTRE}, {"RIGHT", false, AxisPivot::END},
    {"TOP", true, AxisPivot::START},   {"VCENTER", true, AxisPivot::CENTRE},  {"BOTTOM", true, AxisPivot::END},
};

/// A whole number of at most nine digits and a sign; anything bigger is no pixel position.
bool parseWhole(const std::string& text, int* value)
{
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size() || text.size() - i > 9)
        return false;
    for (size_t j = i; j < text.size(); ++j) {
        if (text[j] < '0' || text[j] > '9')
            return false;
    }
    *value = std::atoi(text.c_str());
    return true;
}

bool looksNumeric(const std::string& text)
{
    const char c = text[0] == '-' || text[0] == '+' ? (text.size() > 1 ? text[1] : 'x') : text[0];
    return c >= '0' && c <= '9';
}

Pivots readPivots(const std::string& file, const std::vector<Source>& sources)
{
    Pivots pivots;
    if (file.empty())
        return pivots;
    std::map<std::string, bool> known;
    for (const Source& source : sources)
        known[source.name] = true;
    const std::string text = readFileBytes(file);
    std::istringstream in(text);
    std::string line;
    bool haveFallback = false;
    int fallbackLine = 0;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back(word);
        if (tokens.empty() || tokens[0][0] == '#')
            continue;
        const std::string& name = tokens[0];
        if (tokens.size() < 2 || tokens.size() > 3)
            throw BuildError(file, number, "expected NAME X Y or NAME ANCHOR [ANCHOR]");
        PivotEntry entry;
        entry.line = number;
        std::vector<int> numbers;
        for (size_t t = 1; t < tokens.size(); ++t) {
            int value;
            if (parseWhole(tokens[t], &value))
                numbers.push_back(value);
            else if (looksNumeric(tokens[t]))
                throw BuildError(file, number, "a pixel position is a whole number, found \"" + tokens[t] + "\"");
        }
        if (numbers.size() == 2) {
            entry.x = {AxisPivot::PIXEL, numbers[0]};
            entry.y = {AxisPivot::PIXEL, numbers[1]};
        } else if (!numbers.empty()) {
            throw BuildError(file, number, "expected NAME X Y or NAME ANCHOR [ANCHOR]");
        } else {
            for (size_t t = 1; t < tokens.size(); ++t) {
                const AnchorWord* anchor = nullptr;
                for (const AnchorWord& a : kAnchorWords) {
                    if (tokens[t] == a.word)
                        anchor = &a;
                }
                if (!anchor)
                    throw BuildError(file, number,
                                     "unknown anchor \"" + tokens[t] +
                                         "\" (LEFT, HCENTER, RIGHT, TOP, VCENTER or BOTTOM)");
                AxisPivot& axis = anchor->vertical ? entry.y : entry.x;
                if (axis.kind != AxisPivot::UNSET)
                    throw BuildError(file, number,
                                     std::string("two ") + (anchor->vertical ? "vertical" : "horizontal") +
                                         " anchors");
                axis.kind = anchor->kind;
            }
        }
        if (name == "*") {
            if (haveFallback)
                throw BuildError(file, number, "the default pivot is already given on line " +
                                                   std::to_string(fallbackLine));
            haveFallback = true;
            fallbackLine = number;
            pivots.fallback = entry;
            continue;
        }
        if (!known.count(name))
            throw BuildError(file, number, "no image gives the sprite \"" + name + "\"");
        auto [at, added] = pivots.named.emplace(name, entry);
        if (!added)
            throw BuildError(file, number, "the pivot of \"" + name + "\" is already given on line " +
                                               std::to_string(at->second.line));
    }
    return pivots;
}

// ---- Sprites ----

struct Sprite
{
    const Source* source = nullptr;
    Image image;
    int left = 0, top = 0, width = 0, height = 0; ///< the kept rectangle of the image
    int pivotX = 0, pivotY = 0;                   ///< relative to the kept rectangle
    int pivotLine = 0;                            ///< the pivots file line it came from, or 0
};

/// The smallest rectangle holding every pixel that isn't fully transparent; a picture with
/// none keeps its top-left pixel, so that the sprite still exists and has its pivot.
void trim(Sprite& sprite)
{
    const Image& image = sprite.image;
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.alpha(x, y) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        sprite.left = sprite.top = 0;
        sprite.width = sprite.height = 1;
        return;
    }
    sprite.left = left;
    sprite.top = top;
    sprite.width = right - left + 1;
    sprite.height = bottom - top + 1;
}

/// Copies the sprite's kept pixels to (x, y) of the page and repeats its edge pixels
/// `extrude` pixels outward, so that a filtered sample at the edge reads the sprite's own
/// colour rather than its neighbour's or transparent black.
void place(Image& page, const Sprite& sprite, int x, int y, int extrude)
{
    page.blit(sprite.image, sprite.left, sprite.top, sprite.width, sprite.height, x, y);
    for (int dy = -extrude; dy < sprite.height + extrude; ++dy) {
        const int sy = sprite.top + std::clamp(dy, 0, sprite.height - 1);
        const bool inside = dy >= 0 && dy < sprite.height;
        for (int dx = -extrude; dx < sprite.width + extrude; ++dx) {
            if (inside && dx == 0)
                dx = sprite.width; // the row's own pixels are there already
            if (dx >= sprite.width + extrude)
                break;
            const int sx = sprite.left + std::clamp(dx, 0, sprite.width - 1);
            const uint8_t* from = sprite.image.pixel(sx, sy);
            std::copy(from, from + 4, page.pixel(x + dx, y + dy));
        }
    }
}

int largestPowerOfTwo(int value)
{
    int p = 1;
    while (p <= value / 2)
        p *= 2;
    return p;
}

std::string pagePath(const std::string& name, size_t page, const char* extension)
{
    return name + (page == 0 ? std::string() : "-" + std::to_string(page + 1)) + extension;
}

std::string fileName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::vector<std::string> atlasInputs(const AtlasSpec& spec)
{
    std::vector<std::string> inputs;
    for (const Source& source : findSources(spec))
        inputs.push_back(source.path);
    if (!spec.pivotsFile.empty())
        inputs.push_back(spec.pivotsFile);
    return inputs;
}

AtlasResult buildAtlas(const AtlasSpec& spec)
{
    if (spec.maxSize < 1 || spec.padding < 0 || spec.extrude < 0)
        throw BuildError(spec.origin.file, spec.origin.line,
                         "an atlas needs a page size of at least 1 and no negative padding or extrusion");
    const std::vector<Source> sources = findSources(spec);
    for (size_t i = 1; i < sources.size(); ++i) {
        if (sources[i].name == sources[i - 1].name)
            throw BuildError(sources[i].path, "gives the sprite name \"" + sources[i].name + "\" that " +
                                                  sources[i - 1].path + " gives too");
    }
    const Pivots pivots = readPivots(spec.pivotsFile, sources);

    const int pageSide = spec.powerOfTwo ? largestPowerOfTwo(spec.maxSize) : spec.maxSize;
    const int border = 2 * spec.extrude + spec.padding;
    std::vector<Sprite> sprites(sources.size());
    std::vector<PackSize> slots(sources.size());
    for (size_t i = 0; i < sources.size(); ++i) {
        Sprite& sprite = sprites[i];
        sprite.source = &sources[i];
        sprite.image = readPng(sources[i].path);
        sprite.width = sprite.image.width();
        sprite.height = sprite.image.height();
        if (spec.trim)
            trim(sprite);
        auto named = pivots.named.find(sources[i].name);
        const PivotEntry* entry = named != pivots.named.end() ? &named->second : nullptr;
        const AxisPivot& px = entry && entry->x.kind != AxisPivot::UNSET ? entry->x : pivots.fallback.x;
        const AxisPivot& py = entry && entry->y.kind != AxisPivot::UNSET ? entry->y : pivots.fallback.y;
        sprite.pivotX = px.resolve(sprite.image.width()) - sprite.left;
        sprite.pivotY = py.resolve(sprite.image.height()) - sprite.top;
        sprite.pivotLine = entry ? entry->line : pivots.fallback.line;
        slots[i] = {sprite.width + border, sprite.height + border};
        if (slots[i].width > pageSide || slots[i].height > pageSide) {
            throw BuildError(sources[i].path,
                             "the image takes " + std::to_string(slots[i].width) + " x " +
                                 std::to_string(slots[i].height) + " pixels with its extrusion and padding (" +
                                 std::to_string(sprite.width) + " x " + std::to_string(sprite.height) +
                                 (spec.trim ? " trimmed" : "") + "), more than a page of " +
                                 std::to_string(pageSide) + " x " + std::to_string(pageSide));
        }
    }

    AtlasResult result;
    if (sources.empty())
        result.warnings.push_back(spec.imagesDir + ": no PNG images; the sheet " + spec.name + ".dat has no sprites");
    PackResult packed;
    try {
        packed = pack(slots, {spec.maxSize, spec.maxSize, spec.powerOfTwo});
    } catch (const std::invalid_argument& e) {
        throw BuildError(spec.origin.file, spec.origin.line, e.what());
    }
    if (packed.pages.empty())
        packed.pages.push_back({1, 1}); // an empty sheet still has its page

    std::vector<Image> pages;
    std::vector<voxa::SpriteSheetData> sheets(packed.pages.size());
    for (size_t p = 0; p < packed.pages.size(); ++p) {
        pages.emplace_back(packed.pages[p].width, packed.pages[p].height);
        sheets[p].image = fileName(pagePath(spec.name, p, ".png"));
    }
    for (size_t i = 0; i < sprites.size(); ++i) {
        const Sprite& sprite = sprites[i];
        const Placement& spot = packed.placements[i];
        const int x = spot.x + spec.extrude, y = spot.y + spec.extrude;
        place(pages[static_cast<size_t>(spot.page)], sprite, x, y, spec.extrude);
        voxa::SpriteRecord record;
        record.name = sprite.source->name;
        record.x = x;
        record.y = y;
        record.width = sprite.width;
        record.height = sprite.height;
        record.pivotX = sprite.pivotX;
        record.pivotY = sprite.pivotY;
        for (int value : {record.x, record.y, record.width, record.height}) {
            if (value > 32767)
                throw BuildError(sprite.source->path, "lands at " + std::to_string(x) + "," + std::to_string(y) +
                                                          " on its page, beyond the sheet's 16-bit positions");
        }
        for (int value : {record.pivotX, record.pivotY}) {
            if (value < -32768 || value > 32767) {
                const std::string text = "the pivot of \"" + record.name + "\" comes to " +
                                         std::to_string(record.pivotX) + "," + std::to_string(record.pivotY) +
                                         " in the sprite, outside -32768..32767";
                if (sprite.pivotLine > 0)
                    throw BuildError(spec.pivotsFile, sprite.pivotLine, text);
                throw BuildError(sprite.source->path, text);
            }
        }
        sheets[static_cast<size_t>(spot.page)].sprites.push_back(record);
    }

    for (size_t p = 0; p < pages.size(); ++p) {
        result.files.push_back({pagePath(spec.name, p, ".png"), encodePng(pages[p])});
        try {
            result.files.push_back({pagePath(spec.name, p, ".dat"), voxa::writeSpriteSheet(sheets[p])});
        } catch (const std::runtime_error& e) {
            throw BuildError(spec.origin.file, spec.origin.line, pagePath(spec.name, p, ".dat") + ": " + e.what());
        }
        for (const voxa::SpriteRecord& record : sheets[p].sprites)
            result.sprites.push_back(record.name);
    }
    return result;
}

} // namespace build
