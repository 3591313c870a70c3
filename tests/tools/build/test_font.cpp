// Fonts rendered by the builder, checked against FreeType itself: the widths, the line
// metrics and every glyph's ink must be what FreeType gives at that size.

#include "BuildError.h"
#include "FontBuilder.h"
#include "Image.h"

#include "TempDir.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kSize = 24;

/// FreeType at a size, asked directly: what the builder's output is held against.
class Oracle
{
public:
    struct Bitmap
    {
        int advance = 0, left = 0, top = 0, width = 0, rows = 0;
        std::vector<uint8_t> coverage; ///< rows x width

        int at(int x, int y) const
        {
            return x >= 0 && y >= 0 && x < width && y < rows ? coverage[static_cast<size_t>(y) * width + x] : 0;
        }
    };

    explicit Oracle(int size)
    {
        if (FT_Init_FreeType(&m_library) || FT_New_Face(m_library, kFont, 0, &m_face) ||
            FT_Set_Pixel_Sizes(m_face, 0, size))
            throw std::runtime_error(std::string("FreeType cannot open ") + kFont);
    }
    ~Oracle()
    {
        FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }

    static int round(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }
    int ascender() const { return round(m_face->size->metrics.ascender); }
    int descender() const { return -round(m_face->size->metrics.descender); }
    int lineHeight() const { return round(m_face->size->metrics.height); }

    Bitmap glyph(uint32_t code) const
    {
        if (FT_Load_Char(m_face, code, FT_LOAD_RENDER))
            throw std::runtime_error("FreeType cannot render " + std::to_string(code));
        const FT_GlyphSlot slot = m_face->glyph;
        Bitmap b;
        b.advance = round(slot->advance.x);
        b.left = slot->bitmap_left;
        b.top = slot->bitmap_top;
        b.width = static_cast<int>(slot->bitmap.width);
        b.rows = static_cast<int>(slot->bitmap.rows);
        for (int y = 0; y < b.rows; ++y)
            for (int x = 0; x < b.width; ++x)
                b.coverage.push_back(slot->bitmap.buffer[y * slot->bitmap.pitch + x]);
        return b;
    }
    int advanceSum(const std::string& text) const
    {
        int sum = 0;
        for (char c : text)
            sum += glyph(static_cast<uint8_t>(c)).advance;
        return sum;
    }

private:
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
};

struct Glyph
{
    int code, x, y, width, height, baseline;
};

/// The FONT chunk of a font file, read field by field as the engine reads it.
struct FontFile
{
    std::string image;
    int leading = 0, tracking = 0;
    std::vector<Glyph> glyphs;

    explicit FontFile(const std::vector<uint8_t>& bytes) : m_bytes(bytes)
    {
        if (bytes.size() < 8 || std::string(bytes.begin(), bytes.begin() + 4) != "VOXA")
            throw std::runtime_error("no VOXA header");
        m_at = 8;
        if (u32() != 0x464f4e54) // "FONT"
            throw std::runtime_error("the first chunk is not FONT");
        u32();
        if (u16() != 1)
            throw std::runtime_error("FONT chunk version is not 1");
        const int length = u16();
        image = std::string(bytes.begin() + m_at, bytes.begin() + m_at + length);
        m_at += length;
        leading = s16();
        tracking = s16();
        const int count = s16();
        for (int i = 0; i < count; ++i) {
            Glyph g;
            g.code = u16();
            g.x = s16(), g.y = s16(), g.width = s16(), g.height = s16(), g.baseline = s16();
            glyphs.push_back(g);
        }
    }

    const Glyph& glyph(int code) const
    {
        for (const Glyph& g : glyphs)
            if (g.code == code)
                return g;
        throw std::runtime_error("no glyph " + std::to_string(code));
    }
    // What the engine derives: its maximum ascent and descent and a string's width.
    int maxAscent() const
    {
        int most = 0;
        for (const Glyph& g : glyphs)
            most = std::max(most, g.baseline);
        return most;
    }
    int maxDescent() const
    {
        int most = 0;
        for (const Glyph& g : glyphs)
            most = std::max(most, g.height - g.baseline);
        return most;
    }
    int width(const std::string& text) const
    {
        int w = (static_cast<int>(text.size()) - 1) * tracking;
        for (char c : text)
            w += glyph(static_cast<uint8_t>(c)).width;
        return w;
    }

private:
    int u16()
    {
        const int v = (m_bytes.at(m_at) << 8) | m_bytes.at(m_at + 1);
        m_at += 2;
        return v;
    }
    int s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32()
    {
        const uint32_t high = static_cast<uint32_t>(u16());
        return (high << 16) | static_cast<uint32_t>(u16());
    }

    std::vector<uint8_t> m_bytes;
    size_t m_at = 0;
};

build::FontSpec specOf(const std::string& text, const std::string& where = "game.lua:3")
{
    build::FontSpec spec;
    spec.name = "fonts/body";
    spec.fontFile = kFont;
    spec.size = kSize;
    for (char c : text)
        spec.characters[static_cast<uint8_t>(c)] = where;
    return spec;
}

std::string printable()
{
    std::string text;
    for (int c = 0x21; c < 0x7f; ++c)
        text += static_cast<char>(c);
    return text;
}

struct Built
{
    build::FontResult result;
    FontFile font;
    build::Image page;

    explicit Built(const build::FontSpec& spec)
        : result(build::buildFont(spec)), font(result.files.at(1).bytes),
          page(build::decodePng(std::string(result.files.at(0).bytes.begin(), result.files.at(0).bytes.end()),
                                "page"))
    {
    }
};

/// The smallest box around the pixels of a glyph's rectangle that pass, as x0 y0 x1 y1
/// relative to the rectangle; all -1 when none does.
template <class Test>
std::vector<int> boxIn(const build::Image& page, const Glyph& g, Test test)
{
    std::vector<int> box{-1, -1, -1, -1};
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            if (!test(page.pixel(g.x + x, g.y + y)))
                continue;
            if (box[0] < 0)
                box = {x, y, x + 1, y + 1};
            box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1), std::max(box[3], y + 1)};
        }
    return box;
}

std::string errorOf(const build::FontSpec& spec, build::BuildError* error = nullptr)
{
    try {
        build::buildFont(spec);
    } catch (const build::BuildError& e) {
        if (error)
            *error = e;
        return e.what();
    }
    return "(no error)";
}

TEST(FontGlyphs, WidthsAndLineMetricsAreFreeTypes)
{
    const Oracle ft(kSize);
    build::FontSpec spec = specOf(printable());
    spec.tracking = 2;
    const Built built(spec);
    const FontFile& font = built.font;

    ASSERT_EQ(built.result.files.size(), 2u);
    EXPECT_EQ(built.result.files[0].path, "fonts/body.png");
    EXPECT_EQ(built.result.files[1].path, "fonts/body.dat");
    EXPECT_EQ(font.image, "body.png");
    // Every printable character and the space nobody asked for, in code order.
    ASSERT_EQ(font.glyphs.size(), 95u);
    for (size_t i = 0; i < font.glyphs.size(); ++i)
        EXPECT_EQ(font.glyphs[i].code, 0x20 + static_cast<int>(i));

    for (const Glyph& g : font.glyphs)
        EXPECT_EQ(g.width, ft.glyph(g.code).advance) << "U+" << std::hex << g.code;
    EXPECT_EQ(font.maxAscent(), ft.ascender());
    EXPECT_EQ(font.maxDescent(), ft.descender());
    EXPECT_GT(ft.descender(), 0);
    EXPECT_EQ(font.leading, std::max(0, ft.lineHeight() - ft.ascender() - ft.descender()));
    EXPECT_EQ(font.tracking, 2);
    EXPECT_EQ(built.result.maxAscent, font.maxAscent());
    EXPECT_EQ(built.result.maxDescent, font.maxDescent());
    EXPECT_EQ(built.result.leading, font.leading);

    for (const std::string text : {"Hxg", "Hello, World!", "(jump) {quickly}", "W"})
        EXPECT_EQ(font.width(text), ft.advanceSum(text) + (static_cast<int>(text.size()) - 1) * 2) << text;
}

TEST(FontGlyphs, InkIsFreeTypesBitmapAtItsPlace)
{
    const Oracle ft(kSize);
    const Built built(specOf(printable()));
    const build::Image& page = built.page;

    std::vector<std::string> overhanging;
    for (const Glyph& g : built.font.glyphs) {
        const Oracle::Bitmap b = ft.glyph(g.code);
        SCOPED_TRACE("U+" + std::to_string(g.code));
        ASSERT_LE(g.x + g.width, page.width());
        ASSERT_LE(g.y + g.height, page.height());
        if (b.rows == 0) {
            // The space spans the line and is clear.
            EXPECT_EQ(g.height, ft.ascender() + ft.descender());
            EXPECT_EQ(g.baseline, ft.ascender());
            EXPECT_EQ(boxIn(page, g, [](const uint8_t* p) { return p[3] != 0; })[0], -1);
            continue;
        }
        EXPECT_EQ(g.height, b.rows);
        EXPECT_EQ(g.baseline, b.top);
        // Each pixel of the rectangle holds FreeType's coverage at bitmap_left from its
        // left edge, white.
        int wrong = 0;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const uint8_t* p = page.pixel(g.x + x, g.y + y);
                wrong += p[3] != b.at(x - b.left, y) || (p[3] != 0 && (p[0] != 255 || p[1] != 255 || p[2] != 255));
            }
        EXPECT_EQ(wrong, 0);
        bool cut = false;
        for (int y = 0; y < b.rows; ++y)
            for (int x = 0; x < b.width; ++x)
                cut = cut || (b.at(x, y) != 0 && (b.left + x < 0 || b.left + x >= b.advance));
        if (cut)
            overhanging.push_back(std::to_string(g.code));
    }
    // Ink beyond the advance is what the clipped list holds, one line per glyph, and the
    // one warning line names.
    ASSERT_EQ(built.result.clipped.size(), overhanging.size());
    for (const std::string& w : built.result.clipped)
        EXPECT_NE(w.find(kFont), std::string::npos) << w;
    ASSERT_EQ(built.result.warnings.size(), overhanging.empty() ? 0u : 1u);
    if (!overhanging.empty()) {
        EXPECT_NE(built.result.warnings[0].find(std::to_string(overhanging.size()) + " glyph(s)"), std::string::npos);
    }

    // No two rectangles share a pixel, nor come nearer than the padding.
    const auto& glyphs = built.font.glyphs;
    for (size_t i = 0; i < glyphs.size(); ++i)
        for (size_t j = i + 1; j < glyphs.size(); ++j) {
            const Glyph &a = glyphs[i], &b = glyphs[j];
            const bool apart = a.x + a.width + 1 <= b.x || b.x + b.width + 1 <= a.x || a.y + a.height + 1 <= b.y ||
                               b.y + b.height + 1 <= a.y;
            EXPECT_TRUE(apart) << a.code << " and " << b.code;
        }
}

TEST(FontGlyphs, SameInputsGiveTheSameBytes)
{
    build::FontSpec spec = specOf(printable());
    spec.outline = 1;
    const build::FontResult first = build::buildFont(spec), second = build::buildFont(spec);
    ASSERT_EQ(first.files.size(), second.files.size());
    for (size_t i = 0; i < first.files.size(); ++i)
        EXPECT_TRUE(first.files[i].bytes == second.files[i].bytes) << first.files[i].path;
}

TEST(FontDecorations, OutlineWidensByItsRadiusOnEachSideAndKeepsTheInkCentred)
{
    const int r = 2;
    const Oracle ft(kSize);
    build::FontSpec spec = specOf("Hxg");
    spec.tracking = 1;
    const Built plain(spec);
    spec.outline = r;
    const Built outlined(spec);

    for (const std::string text : {"Hxg", "H", "gxH"})
        EXPECT_EQ(outlined.font.width(text), ft.advanceSum(text) + (static_cast<int>(text.size()) - 1) + 2 * r)
            << text;
    EXPECT_EQ(outlined.font.maxAscent(), ft.ascender() + r);
    EXPECT_EQ(outlined.font.maxDescent(), ft.descender() + r);

    // The white ink is FreeType's; the dark ring around it reaches r further on every side
    // of H's straight stems and bars.
    const Glyph& h = outlined.font.glyph('H');
    const Oracle::Bitmap hb = ft.glyph('H');
    const auto lit = [](const uint8_t* p) { return p[3] != 0 && p[0] > 0; };
    const auto any = [](const uint8_t* p) { return p[3] != 0; };
    EXPECT_EQ(boxIn(outlined.page, h, lit), (std::vector<int>{r + hb.left, r, r + hb.left + hb.width, r + hb.rows}));
    EXPECT_EQ(boxIn(outlined.page, h, any), (std::vector<int>{hb.left, 0, hb.left + hb.width + 2 * r, hb.rows + 2 * r}));
    const uint8_t* solid = outlined.page.pixel(h.x + r + hb.left + 1, h.y + r + hb.rows / 2);
    EXPECT_EQ(std::vector<int>(solid, solid + 4), (std::vector<int>{255, 255, 255, 255}));
    const uint8_t* ring = outlined.page.pixel(h.x + r + hb.left - 1, h.y + r + hb.rows / 2);
    EXPECT_EQ(std::vector<int>(ring, ring + 4), (std::vector<int>{0, 0, 0, 255}));

    // Drawn centred on the same point, each glyph's ink lands where the plain font puts it.
    const std::string text = "Hxg";
    const int centre = 300;
    int penPlain = centre - plain.font.width(text) / 2, penOutlined = centre - outlined.font.width(text) / 2;
    for (char c : text) {
        const Glyph& p = plain.font.glyph(c);
        const Glyph& o = outlined.font.glyph(c);
        const std::vector<int> inkPlain = boxIn(plain.page, p, any), inkOutlined = boxIn(outlined.page, o, lit);
        EXPECT_EQ(penPlain + inkPlain[0], penOutlined + inkOutlined[0]) << c;
        EXPECT_EQ(penPlain + inkPlain[2], penOutlined + inkOutlined[2]) << c;
        EXPECT_EQ(inkPlain[1] - p.baseline, inkOutlined[1] - o.baseline) << c;
        penPlain += p.width + plain.font.tracking;
        penOutlined += o.width + outlined.font.tracking;
    }
}

TEST(FontDecorations, ShadowFallsBelowRightAndCountsInTheWidth)
{
    const Oracle ft(kSize);
    build::FontSpec spec = specOf("Hxg");
    spec.shadowX = 2;
    spec.shadowY = 3;
    const Built built(spec);
    EXPECT_EQ(built.font.width("Hxg"), ft.advanceSum("Hxg") + 2);
    EXPECT_EQ(built.font.maxAscent(), ft.ascender());
    EXPECT_EQ(built.font.maxDescent(), ft.descender() + 3);

    const Glyph& h = built.font.glyph('H');
    const Oracle::Bitmap hb = ft.glyph('H');
    EXPECT_EQ(h.baseline, hb.top);
    const auto lit = [](const uint8_t* p) { return p[3] != 0 && p[0] > 0; };
    const auto any = [](const uint8_t* p) { return p[3] != 0; };
    EXPECT_EQ(boxIn(built.page, h, lit), (std::vector<int>{hb.left, 0, hb.left + hb.width, hb.rows}));
    EXPECT_EQ(boxIn(built.page, h, any), (std::vector<int>{hb.left, 0, hb.left + hb.width + 2, hb.rows + 3}));
    // Below the foot of the left stem lies the shadow of its bottom row: black, as opaque
    // as that row's ink.
    const uint8_t* shade = built.page.pixel(h.x + hb.left + 1 + 2, h.y + hb.rows - 1 + 3);
    EXPECT_EQ(std::vector<int>(shade, shade + 4), (std::vector<int>{0, 0, 0, hb.at(1, hb.rows - 1)}));
    EXPECT_GT(hb.at(1, hb.rows - 1), 0);
}

TEST(FontErrors, ACharacterTheFontLacksIsReportedWhereItWasAskedFor)
{
    build::FontSpec spec = specOf("Hi");
    spec.characters[0x4e2d] = "texts/menu.tsv:7";
    build::BuildError error("", "");
    const std::string message = errorOf(spec, &error);
    EXPECT_EQ(error.file(), "texts/menu.tsv");
    EXPECT_EQ(error.line(), 7);
    EXPECT_NE(message.find(kFont), std::string::npos) << message;
    EXPECT_NE(message.find("U+4E2D"), std::string::npos) << message;
    EXPECT_NE(message.find("\xe4\xb8\xad"), std::string::npos) << message;
}

TEST(FontErrors, CharactersBeyondSixteenBitsAreRefusedWhereAsked)
{
    build::FontSpec spec = specOf("Hi");
    spec.characters[0x1f600] = "game.lua:12";
    build::BuildError error("", "");
    const std::string message = errorOf(spec, &error);
    EXPECT_EQ(error.file(), "game.lua");
    EXPECT_EQ(error.line(), 12);
    EXPECT_NE(message.find("U+1F600"), std::string::npos) << message;
    EXPECT_NE(message.find("up to U+FFFF"), std::string::npos) << message;
}

TEST(FontErrors, AFileThatIsNoFontIsRefusedByName)
{
    TempDir dir;
    dir.write("notes.ttf", "these are not glyphs\n");
    build::FontSpec spec = specOf("Hi");
    spec.fontFile = dir / "notes.ttf";
    build::BuildError error("", "");
    const std::string message = errorOf(spec, &error);
    EXPECT_EQ(error.file(), dir / "notes.ttf");
    EXPECT_NE(message.find("not a font file FreeType can read"), std::string::npos) << message;

    spec.fontFile = dir / "missing.ttf";
    EXPECT_NE(errorOf(spec).find(dir / "missing.ttf"), std::string::npos);
}

TEST(FontErrors, GlyphsThatNeedASecondPageAreRefused)
{
    build::FontSpec spec = specOf(printable());
    spec.maxSize = 64;
    spec.origin = {"game.manifest", 4};
    build::BuildError error("", "");
    const std::string message = errorOf(spec, &error);
    EXPECT_EQ(error.file(), "game.manifest");
    EXPECT_EQ(error.line(), 4);
    EXPECT_NE(message.find("smaller size or fewer characters"), std::string::npos) << message;

    spec.maxSize = 10; // not even one glyph fits
    EXPECT_NE(errorOf(spec).find("smaller size"), std::string::npos) << errorOf(spec);
}

} // namespace
