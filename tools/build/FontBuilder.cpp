#include "FontBuilder.h"

#include "BuildError.h"
#include "Image.h"
#include "Packer.h"
#include "ResourceWriters.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace build {

namespace {

/// 26.6 fixed point to whole pixels, halves rounded up: FreeType's own rounding.
int pixels(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
}

std::string hex(uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof(text), "U+%04X", static_cast<unsigned>(code));
    return text;
}

std::string utf8(uint32_t code)
{
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
    return out;
}

/// "U+006A 'j'"; control characters go without their quoted self.
std::string describe(uint32_t code)
{
    if (code < 0x20 || code == 0x7f)
        return hex(code);
    return hex(code) + " '" + utf8(code) + "'";
}

/// Where a character was asked for, "file:line" split back into its parts; the manifest
/// entry when nobody in particular asked (the space every font gets).
Origin placeOf(const std::string& where, const Origin& fallback)
{
    if (where.empty())
        return fallback;
    const size_t colon = where.rfind(':');
    if (colon != std::string::npos && colon + 1 < where.size() && colon + 10 > where.size() &&
        where.find_first_not_of("0123456789", colon + 1) == std::string::npos)
        return {where.substr(0, colon), std::stoi(where.substr(colon + 1))};
    return {where, 0};
}

/// The library and the face, released however the build ends.
struct FreeType
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Bitmap converted;

    FreeType() { FT_Bitmap_Init(&converted); }
    ~FreeType()
    {
        if (library)
            FT_Bitmap_Done(library, &converted);
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
    FreeType(const FreeType&) = delete;
    FreeType& operator=(const FreeType&) = delete;
};

/// One character's rendering, before the decorations: its advance and the coverage of its
/// ink across that advance (rows x advance, the ink already cut to it).
struct Glyph
{
    uint32_t code = 0;
    int advance = 0;
    int top = 0;  ///< baseline down from the first ink row
    int rows = 0; ///< 0 for a glyph without ink
    std::vector<uint8_t> coverage;
};

/// The extra pixels the outline and the shadow need on each side of a glyph.
struct Margins
{
    int left = 0, right = 0, top = 0, bottom = 0;
};

/// Coverage rows of an 8-bit bitmap in either flow: FreeType keeps an upward bitmap with
/// its bottom row first in memory.
const uint8_t* bitmapRow(const FT_Bitmap& bitmap, int y)
{
    const int pitch = bitmap.pitch;
    if (pitch >= 0)
        return bitmap.buffer + static_cast<size_t>(y) * pitch;
    return bitmap.buffer + static_cast<size_t>(bitmap.rows - 1 - y) * -pitch;
}

Glyph renderGlyph(FreeType& ft, const FontSpec& spec, uint32_t code, std::vector<std::string>& warnings)
{
    FT_GlyphSlot slot = ft.face->glyph;
    Glyph glyph;
    glyph.code = code;
    glyph.advance = std::max(0, pixels(slot->advance.x));

    const FT_Bitmap* bitmap = &slot->bitmap;
    if (bitmap->rows == 0 || bitmap->width == 0)
        return glyph;
    int levels = 256;
    if (bitmap->pixel_mode != FT_PIXEL_MODE_GRAY || bitmap->num_grays != 256) {
        // Monochrome strikes and the rarer depths become one byte a pixel; a monochrome
        // pixel then reads 0 or 1.
        if (const FT_Error error = FT_Bitmap_Convert(ft.library, bitmap, &ft.converted, 1))
            throw BuildError(spec.fontFile, "cannot read the bitmap of " + describe(code) + " (error " +
                                                std::to_string(error) + ")");
        bitmap = &ft.converted;
        levels = bitmap->num_grays > 1 ? bitmap->num_grays : 2;
    }

    const int rows = static_cast<int>(bitmap->rows), width = static_cast<int>(bitmap->width);
    const int left = slot->bitmap_left;
    std::vector<uint8_t> coverage(static_cast<size_t>(glyph.advance) * rows, 0);
    int cutLeft = 0, cutRight = 0, strongestCut = 0;
    bool inked = false;
    for (int column = 0; column < width; ++column) {
        const int x = left + column;
        bool cut = x < 0 || x >= glyph.advance, any = false;
        for (int y = 0; y < rows; ++y) {
            int value = bitmapRow(*bitmap, y)[column];
            if (levels != 256)
                value = std::min(255, value * 255 / (levels - 1));
            if (value == 0)
                continue;
            any = true;
            if (cut)
                strongestCut = std::max(strongestCut, value);
            else
                coverage[static_cast<size_t>(y) * glyph.advance + x] = static_cast<uint8_t>(value);
        }
        if (any && cut) {
            if (x < 0)
                cutLeft = std::max(cutLeft, -x);
            else
                cutRight = std::max(cutRight, x - glyph.advance + 1);
        }
        inked = inked || (any && !cut);
    }
    if (cutLeft > 0 || cutRight > 0) {
        std::string where;
        if (cutLeft > 0)
            where = std::to_string(cutLeft) + " px left";
        if (cutRight > 0)
            where += (where.empty() ? "" : " and ") + std::to_string(cutRight) + " px right";
        warnings.push_back(spec.fontFile + ": " + describe(code) + ": the ink reaches " + where + " of its " +
                           std::to_string(glyph.advance) + " px advance and is cut there (coverage up to " +
                           std::to_string(strongestCut) + "/255 lost)");
    }
    if (inked) {
        glyph.top = slot->bitmap_top;
        glyph.rows = rows;
        glyph.coverage = std::move(coverage);
    }
    return glyph;
}

/// The glyph's rectangle: plain white with the coverage as alpha, or, with an outline or a
/// shadow, white ink over a black outline (the coverage dilated by a disc of the outline's
/// radius) over a black shadow of both, each laid over the one below.
Image decorate(const Glyph& glyph, const FontSpec& spec, const Margins& m, int width, int height)
{
    Image image(width, height);
    const bool plain = spec.outline == 0 && spec.shadowX == 0 && spec.shadowY == 0;
    if (plain) {
        // The transparent pixels are white too, so filtering at the rectangle's edge draws
        // no dark fringe.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = image.pixel(x, y);
                p[0] = p[1] = p[2] = 255;
                p[3] = glyph.rows > 0 ? glyph.coverage[static_cast<size_t>(y) * glyph.advance + x] : 0;
            }
        return image;
    }
    if (glyph.rows == 0)
        return image;

    const size_t count = static_cast<size_t>(width) * height;
    std::vector<float> ink(count, 0.0f), outline(count, 0.0f), shape(count, 0.0f), shadow(count, 0.0f);
    for (int y = 0; y < glyph.rows; ++y)
        for (int x = 0; x < glyph.advance; ++x)
            ink[static_cast<size_t>(y + m.top) * width + x + m.left] =
                glyph.coverage[static_cast<size_t>(y) * glyph.advance + x] / 255.0f;

    const int r = spec.outline;
    if (r > 0) {
        // Offsets within r + 1/2 of the centre: a round disc even for a radius of 1.
        std::vector<std::pair<int, int>> disc;
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (dx * dx + dy * dy <= r * r + r)
                    disc.emplace_back(dx, dy);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                float most = 0.0f;
                for (const auto& [dx, dy] : disc) {
                    const int sx = x - dx, sy = y - dy;
                    if (sx >= 0 && sy >= 0 && sx < width && sy < height)
                        most = std::max(most, ink[static_cast<size_t>(sy) * width + sx]);
                }
                outline[static_cast<size_t>(y) * width + x] = most;
            }
    }
    for (size_t i = 0; i < count; ++i)
        shape[i] = ink[i] + outline[i] * (1.0f - ink[i]);
    if (spec.shadowX != 0 || spec.shadowY != 0) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int sx = x - spec.shadowX, sy = y - spec.shadowY;
                if (sx >= 0 && sy >= 0 && sx < width && sy < height)
                    shadow[static_cast<size_t>(y) * width + x] = shape[static_cast<size_t>(sy) * width + sx];
            }
    }

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            // Premultiplied "over", bottom layer first; only the ink is white.
            float colour = 0.0f, alpha = 0.0f;
            for (auto [value, white] : {std::pair{shadow[i], 0.0f}, {outline[i], 0.0f}, {ink[i], 1.0f}}) {
                colour = white * value + colour * (1.0f - value);
                alpha = value + alpha * (1.0f - value);
            }
            uint8_t* p = image.pixel(x, y);
            const uint8_t grey = alpha > 0.0f ? static_cast<uint8_t>(std::min(255.0f, colour / alpha * 255.0f + 0.5f)) : 0;
            p[0] = p[1] = p[2] = grey;
            p[3] = static_cast<uint8_t>(std::min(255.0f, alpha * 255.0f + 0.5f));
        }
    return image;
}

} // namespace

FontResult buildFont(const FontSpec& spec)
{
    const Origin& origin = spec.origin;
    auto settingError = [&](const std::string& text) { return BuildError(origin.file, origin.line, text); };
    if (spec.size < 1)
        throw settingError("font size must be at least 1 px, not " + std::to_string(spec.size));
    if (spec.outline < 0 || spec.padding < 0)
        throw settingError("a font's outline and padding can't be negative");
    if (spec.maxSize < 1)
        throw settingError("a font's page size must be at least 1 px, not " + std::to_string(spec.maxSize));

    // Read here so that a missing file reads as one, not as a FreeType error code.
    const std::string bytes = readFileBytes(spec.fontFile);
    FreeType ft;
    if (const FT_Error error = FT_Init_FreeType(&ft.library))
        throw BuildError(spec.fontFile, "FreeType did not start (error " + std::to_string(error) + ")");
    if (const FT_Error error = FT_New_Memory_Face(ft.library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                                                  static_cast<FT_Long>(bytes.size()), 0, &ft.face))
        throw BuildError(spec.fontFile, "not a font file FreeType can read (error " + std::to_string(error) + ")");
    if (const FT_Error error = FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(spec.size)))
        throw BuildError(spec.fontFile,
                         "cannot be drawn at " + std::to_string(spec.size) + " px (error " + std::to_string(error) + ")");
    const FT_Size_Metrics& metrics = ft.face->size->metrics;
    const int ascender = pixels(metrics.ascender), descender = -pixels(metrics.descender);
    const int lineHeight = pixels(metrics.height);

    std::map<uint32_t, std::string> characters = spec.characters;
    characters.emplace(0x20, std::string());

    FontResult result;
    std::vector<Glyph> glyphs;
    for (const auto& [code, where] : characters) {
        if (code > 0xffff) {
            const Origin place = placeOf(where, origin);
            throw BuildError(place.file, place.line,
                             describe(code) + " is asked for in font " + spec.fontFile +
                                 ", but the engine's fonts hold characters up to U+FFFF only");
        }
        const FT_UInt index = FT_Get_Char_Index(ft.face, code);
        if (index == 0) {
            const Origin place = placeOf(where, origin);
            throw BuildError(place.file, place.line,
                             spec.fontFile + " has no glyph for " + describe(code) + ", asked for here");
        }
        if (const FT_Error error = FT_Load_Glyph(ft.face, index, FT_LOAD_RENDER))
            throw BuildError(spec.fontFile,
                             "cannot render " + describe(code) + " (error " + std::to_string(error) + ")");
        glyphs.push_back(renderGlyph(ft, spec, code, result.clipped));
    }
    if (!result.clipped.empty()) {
        // One line: most text faces have a few such glyphs, and their edges are faint.
        std::string names;
        for (const std::string& line : result.clipped) {
            const size_t quote = line.find(" '");
            names += " " + (quote == std::string::npos ? line.substr(spec.fontFile.size() + 2, 6)
                                                         : line.substr(quote + 2, line.find("':") - quote - 2));
        }
        result.warnings.push_back(spec.fontFile + " at " + std::to_string(spec.size) + " px: " +
                                  std::to_string(result.clipped.size()) +
                                  " glyph(s) reach past their advance and lose the ink there, as a glyph is drawn "
                                  "within its advance:" + names);
    }

    // The outline and the shadow widen every rectangle by these margins while the glyph's own
    // ink keeps its place in it. The pen still has to move by the advance alone, so the
    // margins come back off the tracking: a string then measures the advances plus the
    // tracking between them plus the two outer margins, just the room its dark edges take,
    // and a centred string keeps its ink in the middle.
    Margins margins;
    margins.left = spec.outline + std::max(0, -spec.shadowX);
    margins.right = spec.outline + std::max(0, spec.shadowX);
    margins.top = spec.outline + std::max(0, -spec.shadowY);
    margins.bottom = spec.outline + std::max(0, spec.shadowY);

    voxa::FontData font;
    const size_t slash = spec.name.rfind('/');
    font.image = (slash == std::string::npos ? spec.name : spec.name.substr(slash + 1)) + ".png";
    font.tracking = spec.tracking - margins.left - margins.right;

    std::vector<Image> images;
    std::vector<PackSize> sizes;
    std::vector<int> packed; // glyph index of each size
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        voxa::GlyphRecord record;
        record.code = static_cast<int>(g.code);
        record.width = g.advance + margins.left + margins.right;
        if (g.rows > 0) {
            record.height = g.rows + margins.top + margins.bottom;
            record.baseline = g.top + margins.top;
        } else {
            // A glyph without ink spans the face's ascender to its descender, so the largest
            // ascent and descent the engine finds are FreeType's line metrics (more only
            // where some ink reaches beyond them).
            record.height = ascender + descender + margins.top + margins.bottom;
            record.baseline = ascender + margins.top;
        }
        images.push_back(decorate(g, spec, margins, record.width, record.height));
        if (record.width > 0 && record.height > 0) {
            sizes.push_back({record.width + spec.padding, record.height + spec.padding});
            packed.push_back(static_cast<int>(i));
        }
        font.glyphs.push_back(record);
    }

    PackOptions options;
    options.maxWidth = options.maxHeight = spec.maxSize + spec.padding;
    PackResult layout;
    try {
        layout = pack(sizes, options);
    } catch (const std::invalid_argument&) {
        std::string largest;
        for (size_t i = 0; i < sizes.size(); ++i)
            if (sizes[i].width > options.maxWidth || sizes[i].height > options.maxHeight)
                largest = describe(glyphs[packed[i]].code);
        throw settingError(spec.fontFile + ": " + largest + " at " + std::to_string(spec.size) +
                           " px is larger than a " + std::to_string(spec.maxSize) +
                           " px page; use a smaller size");
    }
    if (layout.pages.size() > 1)
        throw settingError(spec.fontFile + ": the " + std::to_string(glyphs.size()) + " glyphs at " +
                           std::to_string(spec.size) + " px need more than one " + std::to_string(spec.maxSize) +
                           " px page; use a smaller size or fewer characters");

    int pageWidth = 1, pageHeight = 1;
    for (size_t i = 0; i < packed.size(); ++i) {
        const voxa::GlyphRecord& record = font.glyphs[packed[i]];
        pageWidth = std::max(pageWidth, layout.placements[i].x + record.width);
        pageHeight = std::max(pageHeight, layout.placements[i].y + record.height);
    }
    Image page(pageWidth, pageHeight);
    if (spec.outline == 0 && spec.shadowX == 0 && spec.shadowY == 0) {
        for (int y = 0; y < pageHeight; ++y)
            for (int x = 0; x < pageWidth; ++x)
                std::fill(page.pixel(x, y), page.pixel(x, y) + 3, 255);
    }
    for (size_t i = 0; i < packed.size(); ++i) {
        voxa::GlyphRecord& record = font.glyphs[packed[i]];
        record.x = layout.placements[i].x;
        record.y = layout.placements[i].y;
        page.blit(images[packed[i]], 0, 0, record.width, record.height, record.x, record.y);
    }

    for (const voxa::GlyphRecord& g : font.glyphs) {
        result.maxAscent = std::max(result.maxAscent, g.baseline);
        result.maxDescent = std::max(result.maxDescent, g.height - g.baseline);
    }
    // Lines stay FreeType's line height apart, unless the glyphs are taller than that.
    font.leading = std::max(0, lineHeight - (result.maxAscent + result.maxDescent));
    result.leading = font.leading;
    result.tracking = font.tracking;

    std::vector<uint8_t> fontBytes;
    try {
        fontBytes = voxa::writeFont(font);
    } catch (const std::runtime_error& e) {
        throw settingError(spec.fontFile + ": " + e.what());
    }
    result.files.push_back({spec.name + ".png", encodePng(page)});
    result.files.push_back({spec.name + ".dat", std::move(fontBytes)});
    return result;
}

} // namespace build
