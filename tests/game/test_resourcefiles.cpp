// The resource file readers: the chunk container, texts, sprite sheets, composite sprites
// and bitmap fonts, from files written by the tools' writers or by hand.

#include "DrawingContext.h"
#include "Failure.h"
#include "TempDir.h"

#include "ChunkWriter.h"
#include "ResourceWriters.h"
#include "game/BitmapFont.h"
#include "game/CompoSpriteSet.h"
#include "game/SpriteProvider.h"
#include "game/SpriteSheet.h"
#include "game/TextGroupSet.h"
#include "io/IOException.h"

#include <gtest/gtest.h>

#include <random>

using game::Anchor;
using lang::String;

namespace {

std::string bytes(const std::vector<uint8_t>& data)
{
    return std::string(data.begin(), data.end());
}

voxa::TextTable threeLanguages()
{
    voxa::TextTable table;
    table.languages = {"en", "fi", "de"};
    table.ids = {"hello", "bye"};
    table.texts = {{"hello", "bye"}, {"hei", "hei hei"}, {"hallo", "tschüss"}};
    return table;
}

class ResourceFiles : public ::testing::Test
{
protected:
    TempDir dir;
    lang::Ptr<DrawingContext> context = new DrawingContext;

    String path(const std::string& name) const { return String(dir / name); }
    String write(const std::string& name, const std::vector<uint8_t>& data) const
    {
        dir.write(name, bytes(data));
        return path(name);
    }
    template <class Action>
    std::string ioError(Action&& action)
    {
        return messageOf<io::IOException>(action);
    }
    template <class Action>
    std::string error(Action&& action)
    {
        return messageOf<lang::Throwable>(action);
    }
};

// ---- the container and texts

TEST_F(ResourceFiles, DataLengthLargerThanTheBytesAfterItIsMalformed)
{
    std::vector<uint8_t> file = voxa::writeTexts(threeLanguages());
    const uint32_t length = uint32_t(file.size() - 8);
    ASSERT_EQ(file[7], uint8_t(length)); // the writer's length is exact
    const String exact = write("exact.dat", file);
    EXPECT_EQ(game::TextGroupSet(exact).languages().size(), 3);

    file[7] = uint8_t(length + 1);
    ASSERT_EQ(file[6], uint8_t((length + 1) >> 8)) << "a text file this small keeps its length in one byte";
    const String over = write("over.dat", file);
    EXPECT_EQ(ioError([&] { game::TextGroupSet set(over); }), "Malformed VOXA file: " + over.str());
}

TEST_F(ResourceFiles, TextGroupBeforeAnyIdsNamesTheFile)
{
    voxa::ChunkWriter w;
    w.beginChunk("TEXT");
    w.u16(1);
    w.beginChunk("LDAT");
    w.s16(1);
    w.utf("en");
    w.endChunk();
    w.beginChunk("TXGP");
    w.utf("orphan");
    w.endChunk();
    w.endChunk();
    const String file = write("noids.dat", w.file());
    game::TextGroupSet set(file);
    EXPECT_EQ(ioError([&] { set.load("en"); }), "Missing LIDS chunk before TXGP chunk in file " + file.str());
    EXPECT_FALSE(set.isLoaded("en"));
}

TEST_F(ResourceFiles, EachLanguageReadsItsOwnGroup)
{
    game::TextGroupSet set(write("texts.dat", voxa::writeTexts(threeLanguages())));
    ASSERT_EQ(set.languages().size(), 3);
    EXPECT_EQ(set.languages()[1], "fi");

    lang::Ptr<game::TextGroup> fi = set.load("fi");
    ASSERT_TRUE(fi);
    EXPECT_EQ(fi->get("hello"), "hei");
    EXPECT_EQ(fi->get("bye"), "hei hei");
    EXPECT_TRUE(set.isLoaded("fi"));
    EXPECT_FALSE(set.isLoaded("en"));
    EXPECT_EQ(set.get("fi"), fi.ptr());
    EXPECT_EQ(set.load("de")->get("bye"), "tschüss");
}

TEST_F(ResourceFiles, AllLoadsAndReleasesEveryLanguage)
{
    game::TextGroupSet set(write("texts.dat", voxa::writeTexts(threeLanguages())));
    lang::Ptr<game::TextGroup> first = set.load("ALL");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->get("hello"), "hello");
    for (const char* language : {"en", "fi", "de"})
        EXPECT_TRUE(set.isLoaded(language)) << language;
    EXPECT_EQ(set.get("de")->get("hello"), "hallo");

    set.release("ALL");
    EXPECT_EQ(error([&] { set.get("fi"); }),
              "Trying to get TextGroup for language which is not loaded. Language: \"fi\"");
    EXPECT_EQ(error([&] { set.get("sv"); }),
              "Trying to get TextGroup for language not present in data file. Language: \"sv\"");
    EXPECT_EQ(error([&] { set.load("sv"); }),
              "Trying to load TextGroup for language not present in data file. Language: \"sv\"");
    EXPECT_EQ(error([&] { set.release("sv"); }),
              "Trying to release TextGroup for language not present in data file. Language: \"sv\"");
    // The group outlives its release while someone holds it.
    EXPECT_EQ(first->get("bye"), "bye");
}

TEST_F(ResourceFiles, MissingTextShowsItsIdAndIsStoredOnce)
{
    game::TextGroupSet set(write("texts.dat", voxa::writeTexts(threeLanguages())));
    lang::Ptr<game::TextGroup> en = set.load("en");
    EXPECT_EQ(en->size(), 2);
    EXPECT_EQ(en->get("MENU_QUIT"), "MENU_QUIT");
    EXPECT_EQ(en->size(), 3);
    EXPECT_EQ(en->get("MENU_QUIT"), "MENU_QUIT");
    EXPECT_EQ(en->size(), 3);
}

TEST_F(ResourceFiles, UnknownChunksAreSkipped)
{
    voxa::ChunkWriter w;
    w.beginChunk("JUNK");
    w.utf("not for the text reader");
    w.endChunk();
    w.beginChunk("TEXT");
    w.u16(1);
    w.beginChunk("LDAT");
    w.s16(2);
    w.utf("en");
    w.utf("fi");
    w.endChunk();
    w.beginChunk("NOTE");
    w.u32(0xdeadbeef);
    w.endChunk();
    w.beginChunk("LIDS");
    w.s16(1);
    w.utf("yes");
    w.endChunk();
    w.beginChunk("TXGP");
    w.utf("yes");
    w.endChunk();
    w.beginChunk("MORE");
    w.endChunk();
    w.beginChunk("TXGP");
    w.utf("kyllä");
    w.endChunk();
    w.endChunk();
    game::TextGroupSet set(write("skips.dat", w.file()));
    ASSERT_EQ(set.languages().size(), 2);
    EXPECT_EQ(set.load("fi")->get("yes"), "kyllä");
}

TEST_F(ResourceFiles, OlderTextLayoutReadsLikeItsChunkedTwin)
{
    voxa::TextTable table = threeLanguages();
    table.ids.push_back("long");
    for (auto& texts : table.texts)
        texts.push_back(std::string(300, 'x') + texts[0]);
    game::TextGroupSet chunked(write("chunked.dat", voxa::writeTexts(table)));
    game::TextGroupSet older(write("older.dat", voxa::writeTexts(table, voxa::Layout::OLDER)));
    ASSERT_EQ(older.languages().size(), 3);
    for (const char* language : {"de", "en", "fi"}) {
        lang::Ptr<game::TextGroup> a = chunked.load(language), b = older.load(language);
        for (const std::string& id : table.ids)
            EXPECT_EQ(a->get(id), b->get(id)) << language << " " << id;
        EXPECT_EQ(b->size(), 3);
    }
}

TEST_F(ResourceFiles, FailedLoadLeavesTheSetAsItWas)
{
    const std::vector<uint8_t> file = voxa::writeTexts(threeLanguages());
    const String name = write("texts.dat", file);
    game::TextGroupSet set(name);
    set.load("en");
    // The last group is cut short: "ALL" reads en and fi, then fails on de.
    std::vector<uint8_t> cut(file.begin(), file.end() - 3);
    cut[7] = uint8_t(cut.size() - 8);
    write("texts.dat", cut);
    EXPECT_EQ(ioError([&] { set.load("ALL"); }), "Unexpected end of file in " + name.str() + ".");
    EXPECT_TRUE(set.isLoaded("en"));
    EXPECT_FALSE(set.isLoaded("fi"));
}

// ---- sprite sheets

voxa::SpriteSheetData sheetData()
{
    voxa::SpriteSheetData sheet;
    sheet.image = "atlas.png";
    sheet.sprites = {{"ball", 64, 0, 64, 32, 32, 16}, {"bar", 0, 128, 5, 5, 1, 2}, {"ball", 64, 32, 64, 32, 10, 10}};
    return sheet;
}

TEST_F(ResourceFiles, SpritesTakeTheirTextureCoordinatesFromTheImage)
{
    dir.write("atlas.png", "stand-in");
    context->imageSizes[dir / "atlas.png"] = {256, 128};
    game::SpriteSheet sheet(context.ptr(), write("sheet.dat", voxa::writeSpriteSheet(sheetData())));
    EXPECT_EQ(context->loaded, std::vector<std::string>{dir / "atlas.png"});
    game::Sprite* ball = sheet.getSprite("ball");
    ASSERT_TRUE(ball);
    // The later record of a name wins.
    EXPECT_EQ(ball->y(), 32);
    EXPECT_EQ(ball->pivotX(), 10);
    const float* uv = ball->textureCoordinates();
    EXPECT_FLOAT_EQ(uv[0], 0.25f);
    EXPECT_FLOAT_EQ(uv[2], 0.5f);
    EXPECT_FLOAT_EQ(uv[1], 0.25f);
    EXPECT_FLOAT_EQ(uv[5], 0.5f);
    EXPECT_EQ(sheet.sprites().size(), 2);
    EXPECT_EQ(sheet.getSprite("nothing"), nullptr);
}

TEST_F(ResourceFiles, OlderSheetLayoutReadsLikeItsChunkedTwin)
{
    dir.write("atlas.png", "stand-in");
    game::SpriteSheet chunked(context.ptr(), write("a.dat", voxa::writeSpriteSheet(sheetData())));
    game::SpriteSheet older(context.ptr(), write("b.dat", voxa::writeSpriteSheet(sheetData(), voxa::Layout::OLDER)));
    ASSERT_EQ(older.sprites().size(), chunked.sprites().size());
    for (auto it = chunked.sprites().begin(); it != chunked.sprites().end(); ++it) {
        game::Sprite* a = it.value().ptr();
        game::Sprite* b = older.getSprite(it.key());
        ASSERT_TRUE(b) << it.key();
        EXPECT_EQ(std::vector<int>({a->x(), a->y(), a->width(), a->height(), a->pivotX(), a->pivotY()}),
                  std::vector<int>({b->x(), b->y(), b->width(), b->height(), b->pivotX(), b->pivotY()}));
    }
}

TEST_F(ResourceFiles, TheImageIsFoundBesideTheSheet)
{
    std::system(("mkdir -p '" + dir / "sprites" + "'").c_str());
    dir.write("sprites/atlas.png", "stand-in");
    game::SpriteSheet sheet(context.ptr(), write("sprites/menu.dat", voxa::writeSpriteSheet(sheetData())));
    EXPECT_EQ(context->loaded.back(), dir / "sprites/atlas.png");

    const String lonely = write("lonely.dat", voxa::writeSpriteSheet(sheetData()));
    EXPECT_EQ(error([&] { game::SpriteSheet missing(context.ptr(), lonely); }), "Failed to open " + dir / "atlas.png");
}

TEST_F(ResourceFiles, AnchorsPlaceSpritesByTheirOwnSize)
{
    dir.write("atlas.png", "stand-in");
    game::SpriteSheet sheet(context.ptr(), write("sheet.dat", voxa::writeSpriteSheet(sheetData())));
    game::Sprite* bar = sheet.getSprite("bar"); // 5 x 5, pivot (1, 2)
    auto placed = [&](const char* v, const char* h, float scale = 1) {
        Anchor anchor;
        game::parseAnchor(v, anchor);
        game::parseAnchor(h, anchor);
        bar->draw(context.ptr(), 100, 10, 5 * scale, 5 * scale, anchor.vertical, anchor.horizontal);
        std::vector<DrawnQuad> quads = context->take();
        return quads.size() == 1 ? std::make_pair(quads[0].x, quads[0].y) : std::make_pair(-1.0f, -1.0f);
    };
    EXPECT_EQ(placed("VCENTER", "LEFT"), std::make_pair(100.0f, 8.0f)); // 5 / 2 rounds down
    EXPECT_EQ(placed("", ""), std::make_pair(99.0f, 8.0f));             // the pivot lands on the point
    EXPECT_EQ(placed("BASELINE", "HPIVOT"), placed("VPIVOT", "HPIVOT"));
    EXPECT_EQ(placed("BOTTOM", "RIGHT"), std::make_pair(95.0f, 5.0f));
    EXPECT_EQ(placed("TOP", "HCENTER", 2), std::make_pair(98.0f, 10.0f)); // half the unscaled width

    Anchor anchor(Anchor::TOP, Anchor::LEFT);
    EXPECT_EQ(error([&] { game::parseAnchor("MIDDLE", anchor); }), "Invalid anchor: MIDDLE");
    game::parseAnchor("HCENTER", anchor);
    game::parseAnchor("BOTTOM", anchor);
    EXPECT_EQ(anchor.vertical, Anchor::BOTTOM);
    EXPECT_EQ(anchor.horizontal, Anchor::HCENTER);
}

// ---- composite sprites

/// Sprites by name from one sheet.
class SheetProvider : public game::SpriteProvider
{
public:
    explicit SheetProvider(game::SpriteSheet* sheet) : m_sheet(sheet) {}
    game::Sprite* getSprite(const String& name) override { return m_sheet->getSprite(name); }

private:
    game::SpriteSheet* m_sheet;
};

class CompoFiles : public ResourceFiles
{
protected:
    lang::Ptr<game::SpriteSheet> sheet;
    void SetUp() override
    {
        dir.write("parts.png", "stand-in");
        voxa::SpriteSheetData parts;
        parts.image = "parts.png";
        parts.sprites = {{"A", 0, 0, 10, 10, 5, 5}, {"B", 10, 0, 20, 10, 0, 0}};
        sheet = new game::SpriteSheet(context.ptr(), write("parts.dat", voxa::writeSpriteSheet(parts)));
    }
    std::vector<voxa::CompoRecord> example() const { return {{"AB", {{"A", 0, 0}, {"B", 10, -5}}}}; }
};

TEST_F(CompoFiles, BoundsAndPlacementOfTheTwoPartExample)
{
    SheetProvider provider(sheet.ptr());
    game::CompoSpriteSet set(&provider, write("compo.dat", voxa::writeCompoSprites(example())));
    game::CompoSprite* ab = set.get("AB");
    ASSERT_TRUE(ab);
    EXPECT_EQ(ab->width(), 35);
    EXPECT_EQ(ab->height(), 10);
    EXPECT_EQ(ab->pivotX(), 5);
    EXPECT_EQ(ab->pivotY(), 5);

    // TOP/LEFT puts the bounding box at the point: A's pivot at (105, 105).
    ab->draw(context.ptr(), 100, 100, Anchor::TOP, Anchor::LEFT);
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(std::make_pair(quads[0].x + 5, quads[0].y + 5), std::make_pair(105.0f, 105.0f));
    EXPECT_EQ(std::make_pair(quads[1].x, quads[1].y), std::make_pair(115.0f, 100.0f));
    EXPECT_EQ(quads[1].width, 20);

    // The default anchors put the origin on the point.
    ab->draw(context.ptr(), 100, 100, Anchor::VPIVOT, Anchor::HPIVOT);
    quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(std::make_pair(quads[0].x, quads[0].y), std::make_pair(95.0f, 95.0f));
    // RIGHT/BOTTOM puts the box's far corner there.
    ab->draw(context.ptr(), 200, 200, Anchor::BOTTOM, Anchor::RIGHT);
    quads = context->take();
    EXPECT_EQ(std::make_pair(quads[1].x + quads[1].width, quads[1].y), std::make_pair(200.0f, 190.0f));
}

TEST_F(CompoFiles, VersionTwoReadsTheSamePartsAndSkipsItsExtras)
{
    SheetProvider provider(sheet.ptr());
    voxa::ChunkWriter w;
    w.beginChunk("COMP");
    w.u16(2);
    w.s16(1);
    w.utf("AB");
    w.s16(2);
    const std::vector<voxa::CompoRecord> records = example();
    for (const voxa::CompoPartRecord& part : records[0].parts) {
        w.utf(part.sprite);
        w.s16(part.x);
        w.s16(part.y);
    }
    w.s16(2); // extras
    for (const char* extra : {"hat", "shoe"}) {
        w.utf(extra);
        w.s16(1);
        w.s16(2);
    }
    w.endChunk();
    game::CompoSpriteSet two(&provider, write("two.dat", w.file()));
    game::CompoSpriteSet one(&provider, write("one.dat", voxa::writeCompoSprites(example())));
    const auto& a = one.get("AB")->parts();
    const auto& b = two.get("AB")->parts();
    ASSERT_EQ(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i)
        EXPECT_EQ(std::make_tuple(a[i].name, a[i].x, a[i].y), std::make_tuple(b[i].name, b[i].x, b[i].y));
    EXPECT_EQ(two.get("AB")->width(), 35);
}

TEST_F(CompoFiles, PartsMustBeLoadedAndTheFileMustBeChunked)
{
    SheetProvider provider(sheet.ptr());
    const String file = write("compo.dat", voxa::writeCompoSprites({{"X", {{"A", 0, 0}, {"Z", 1, 1}}}}));
    EXPECT_EQ(error([&] { game::CompoSpriteSet set(&provider, file); }),
              "Sprite \"Z\" not loaded while loading " + file.str());
    const String plain = write("plain.dat", {0, 1, 'X', 0, 0});
    EXPECT_EQ(ioError([&] { game::CompoSpriteSet set(&provider, plain); }), "Malformed VOXA file: " + plain.str());
}

// ---- fonts

voxa::FontData fontData()
{
    voxa::FontData font;
    font.image = "font.png";
    font.leading = 3;
    font.tracking = 1;
    font.glyphs = {{'A', 0, 0, 10, 12, 9}, {'g', 10, 0, 8, 14, 8}, {0xe4, 20, 0, 9, 12, 9}};
    return font;
}

TEST_F(ResourceFiles, FontMetricsAndWidths)
{
    dir.write("font.png", "stand-in");
    game::BitmapFont font(context.ptr(), write("font.dat", voxa::writeFont(fontData())));
    EXPECT_EQ(font.getMaxAscending(), 9);
    EXPECT_EQ(font.getMaxDescending(), 6);
    EXPECT_EQ(font.getHeight(), 15);
    EXPECT_EQ(font.getLeading(), 3);
    EXPECT_EQ(font.getTracking(), 1);
    EXPECT_EQ(font.getStringWidth("Ag", 0, game::IFont::ALL), 19);
    EXPECT_EQ(font.getStringWidth("A", 0, game::IFont::ALL), 10);
    EXPECT_EQ(font.getStringWidth("", 0, game::IFont::ALL), 0);
    // An unknown character counts its tracking but no width.
    EXPECT_EQ(font.getStringWidth("A?g", 0, game::IFont::ALL), 20);
    // Characters are UTF-16 units: "ä" is one.
    EXPECT_EQ(font.getStringWidth("Aä", 0, game::IFont::ALL), 20);
    EXPECT_EQ(font.getStringWidth("AgA", 1, 1), 8);
    EXPECT_EQ(font.getStringWidth("AgA", 1, 99), 19);
    EXPECT_EQ(font.filterString("A?gä€"), "Agä");
    ASSERT_TRUE(font.glyph('g'));
    EXPECT_EQ(font.glyph('g')->pivotY(), 8);
    EXPECT_EQ(font.glyph('g')->pivotX(), 0);
}

TEST_F(ResourceFiles, TextIsDrawnOnTheBaseline)
{
    dir.write("font.png", "stand-in");
    game::BitmapFont font(context.ptr(), write("font.dat", voxa::writeFont(fontData())));
    font.drawString(context.ptr(), "A?g", 50, 0, Anchor::TOP, Anchor::LEFT);
    std::vector<DrawnQuad> quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    // TOP at y = 0 puts the baseline at the maximum ascent.
    EXPECT_EQ(quads[0].y + 9, 9);
    EXPECT_EQ(quads[1].y + 8, 9);
    // The unknown character takes no room.
    EXPECT_EQ(quads[1].x, 50 + 10 + 1);

    font.drawString(context.ptr(), "Ag", 200, 100, Anchor::BASELINE, Anchor::RIGHT);
    quads = context->take();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].x + quads[1].width, 200);
    EXPECT_EQ(quads[0].y, 100 - 9);

    font.drawString(context.ptr(), "Ag", 200, 100, Anchor::BOTTOM, Anchor::HCENTER);
    quads = context->take();
    EXPECT_EQ(quads[0].x, 200 - 19 / 2);
    EXPECT_EQ(quads[1].y + quads[1].height, 100); // g's descent ends at the bottom
}

TEST_F(ResourceFiles, OlderFontLayoutReadsLikeItsChunkedTwin)
{
    dir.write("font.png", "stand-in");
    game::BitmapFont a(context.ptr(), write("a.dat", voxa::writeFont(fontData())));
    game::BitmapFont b(context.ptr(), write("b.dat", voxa::writeFont(fontData(), voxa::Layout::OLDER)));
    EXPECT_EQ(b.getHeight(), a.getHeight());
    EXPECT_EQ(b.getStringWidth("Agä", 0, 9), a.getStringWidth("Agä", 0, 9));
    EXPECT_EQ(b.getLeading(), 3);
}

// ---- damaged files

class Damaged : public ResourceFiles
{
protected:
    /// Loads a file of the given bytes as kind; true when it loaded. Anything but an engine
    /// exception fails the test.
    bool load(const std::string& kind, const std::vector<uint8_t>& data)
    {
        const String file = write(kind + ".dat", data);
        LogCapture quiet;
        try {
            if (kind == "texts") {
                game::TextGroupSet set(file);
                set.load("ALL");
            } else if (kind == "sheet") {
                game::SpriteSheet sheet(context.ptr(), file);
            } else if (kind == "compo") {
                SheetProvider provider(parts.ptr());
                game::CompoSpriteSet set(&provider, file);
            } else {
                game::BitmapFont font(context.ptr(), file);
                font.getStringWidth("Ag", 0, 99);
            }
            return true;
        } catch (const lang::Throwable&) {
            return false;
        }
    }
    lang::Ptr<game::SpriteSheet> parts;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;

    void SetUp() override
    {
        for (const char* image : {"atlas.png", "font.png", "parts.png"})
            dir.write(image, "stand-in");
        voxa::SpriteSheetData p;
        p.image = "parts.png";
        p.sprites = {{"A", 0, 0, 10, 10, 5, 5}, {"B", 10, 0, 20, 10, 0, 0}};
        parts = new game::SpriteSheet(context.ptr(), write("parts.dat", voxa::writeSpriteSheet(p)));
        files = {
            {"texts", voxa::writeTexts(threeLanguages())},
            {"texts", voxa::writeTexts(threeLanguages(), voxa::Layout::OLDER)},
            {"sheet", voxa::writeSpriteSheet(sheetData())},
            {"sheet", voxa::writeSpriteSheet(sheetData(), voxa::Layout::OLDER)},
            {"compo", voxa::writeCompoSprites({{"AB", {{"A", 0, 0}, {"B", 10, -5}}}}, 2)},
            {"font", voxa::writeFont(fontData())},
            {"font", voxa::writeFont(fontData(), voxa::Layout::OLDER)},
        };
    }
};

TEST_F(Damaged, EveryReaderFailsCleanlyOnEveryTruncation)
{
    for (const auto& [kind, data] : files) {
        ASSERT_TRUE(load(kind, data)) << kind;
        for (size_t size = 0; size < data.size(); ++size) {
            // A chunked file cut short fails. (An older layout may end at a record's edge.)
            const bool loaded = load(kind, std::vector<uint8_t>(data.begin(), data.begin() + long(size)));
            if (data[0] == 'V' && size >= 4) {
                EXPECT_FALSE(loaded) << kind << " cut to " << size << " bytes";
            }
        }
    }
}

TEST_F(Damaged, RandomBytesAndCorruptedFilesNeverReadAstray)
{
    std::mt19937 random(20261208);
    for (const auto& [kind, data] : files) {
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> bad = data;
            const int flips = 1 + int(random() % 4);
            for (int f = 0; f < flips; ++f)
                bad[random() % bad.size()] = uint8_t(random());
            load(kind, bad);
        }
        for (int round = 0; round < 100; ++round) {
            std::vector<uint8_t> noise(random() % 64);
            for (uint8_t& b : noise)
                b = uint8_t(random());
            if (round % 2 && noise.size() >= 8)
                std::copy(data.begin(), data.begin() + 8, noise.begin()); // a valid header over noise
            load(kind, noise);
        }
    }
    // Lengths and counts that claim the world fail before anything is allocated for them.
    voxa::ChunkWriter w;
    w.beginChunk("SPRT");
    w.u16(1);
    w.utf("atlas.png");
    w.s16(32767);
    w.endChunk();
    EXPECT_EQ(ioError([&] { game::SpriteSheet s(context.ptr(), write("huge.dat", w.file())); }),
              "Unexpected end of file in " + dir / "huge.dat" + ".");
    std::vector<uint8_t> lying = w.file();
    lying[12] = 0x7f; // the chunk's length
    EXPECT_EQ(ioError([&] { game::SpriteSheet s(context.ptr(), write("lying.dat", lying)); }),
              "Unexpected end of file in " + dir / "lying.dat" + ".");
}

} // namespace
