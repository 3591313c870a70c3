// pelterra-build inspect: every kind of data file shown as text, and damaged files refused
// with an error naming them instead of a crash or a read past their end.

#include "TempDir.h"

#include "BuildError.h"
#include "ChunkWriter.h"
#include "Image.h"
#include "Inspect.h"
#include "ResourceWriters.h"

#include "game/CipherKeys.h"
#include "lang/BlockCipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string str(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::string inspect(const std::string& path)
{
    std::ostringstream out;
    build::inspectFile(path, out);
    return out.str();
}

/// The error inspecting path gives, "(no error)" when it gives none. Its file must be path.
std::string failure(const std::string& path)
{
    try {
        inspect(path);
    } catch (const build::BuildError& e) {
        EXPECT_EQ(e.file(), path);
        return e.what();
    }
    return "(no error)";
}

/// A line with its runs of blanks made single and its ends trimmed: the columns' widths are
/// the output's business, their contents the test's.
std::string squeezed(const std::string& line)
{
    std::string out;
    for (char c : line) {
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool hasLine(const std::string& output, const std::string& line)
{
    std::istringstream in(output);
    for (std::string each; std::getline(in, each);)
        if (squeezed(each) == line)
            return true;
    return false;
}

#define EXPECT_LINE(output, line) EXPECT_TRUE(hasLine(output, line)) << "no line \"" << (line) << "\" in\n" << (output)

voxa::SpriteSheetData sheet()
{
    voxa::SpriteSheetData data;
    data.image = "sheet.png";
    data.sprites = {{"player", 0, 0, 32, 48, 16, 47}, {"coin", 32, 0, 8, 8, -4, 4}};
    return data;
}

voxa::TextTable texts()
{
    voxa::TextTable table;
    table.languages = {"en", "fi"};
    table.ids = {"PLAY", "HELP"};
    table.texts = {{"Play", "Line\none"}, {"Pelaa", ""}};
    return table;
}

std::vector<voxa::CompoRecord> compos()
{
    return {{"hero", {{"body", 0, 0}, {"head", 3, -20}}}, {"empty", {}}};
}

voxa::FontData font()
{
    voxa::FontData data;
    data.image = "font.png";
    data.leading = 2;
    data.tracking = -1;
    data.glyphs = {{'A', 0, 0, 7, 10, 8}, {'g', 8, 0, 6, 9, 5}, {0xe4, 16, 0, 6, 11, 9}};
    return data;
}

std::string enciphered(const uint8_t* key, const std::string& text, bool randomFill = false)
{
    return lang::BlockCipher::encipher(key, text.data(), static_cast<int>(text.size()), randomFill).str();
}

const char* const kScript = "-- the first level\nlocal level = { width = 40, name = \"caves\" }\nreturn level\n";

std::string png(int width, int height)
{
    build::Image image(width, height);
    image.pixel(0, 0)[3] = 255;
    return str(build::encodePng(image));
}

/// A 2 x 2 24-bit TGA, top row first.
std::string tga()
{
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 2;
    bytes[16] = 24;
    bytes[17] = 0x20;
    return bytes + std::string(12, '\x7f');
}

/// A 2 x 2 24-bit BMP: two rows of 6 bytes padded to 8.
std::string bmp()
{
    std::string bytes(54, '\0');
    const auto le32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    le32(2, 54 + 16);
    le32(10, 54);
    le32(14, 40);
    le32(18, 2);
    le32(22, 2);
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes + std::string(16, '\x20');
}

TEST(InspectChunks, SpriteSheetAsATable)
{
    TempDir dir;
    const size_t size = voxa::writeSpriteSheet(sheet()).size();
    dir.write("sheet.dat", str(voxa::writeSpriteSheet(sheet())));
    const std::string out = inspect(dir / "sheet.dat");
    EXPECT_EQ(out.substr(0, out.find('\n')),
              dir / "sheet.dat" + ": chunk file (VOXA), 1 chunk: SPRT; " + std::to_string(size - 8) + " bytes of data");
    EXPECT_LINE(out, "SPRT sprite sheet, version 1, " + std::to_string(size - 16) + " bytes");
    EXPECT_LINE(out, "image sheet.png, 2 sprites");
    EXPECT_LINE(out, "name x y width height pivotX pivotY");
    EXPECT_LINE(out, "player 0 0 32 48 16 47");
    EXPECT_LINE(out, "coin 32 0 8 8 -4 4");
    // The columns line up: every number ends where its heading ends.
    const size_t heading = out.find("pivotY"), player = out.find("47\n"), coin = out.find(" 4\n");
    ASSERT_NE(heading, std::string::npos);
    EXPECT_EQ(heading + 6 - out.rfind('\n', heading), player + 2 - out.rfind('\n', player));
    EXPECT_EQ(heading + 6 - out.rfind('\n', heading), coin + 2 - out.rfind('\n', coin));
}

TEST(InspectChunks, TextsByIdInEveryLanguage)
{
    TempDir dir;
    dir.write("texts.dat", str(voxa::writeTexts(texts())));
    const std::string out = inspect(dir / "texts.dat");
    EXPECT_LINE(out, "TEXT texts, version 1, " + std::to_string(voxa::writeTexts(texts()).size() - 16) + " bytes");
    EXPECT_LINE(out, "2 ids in 2 languages: en, fi");
    EXPECT_LINE(out, "PLAY");
    EXPECT_LINE(out, "en \"Play\"");
    EXPECT_LINE(out, "fi \"Pelaa\"");
    EXPECT_LINE(out, "en \"Line\\none\"");
    EXPECT_LINE(out, "fi \"\"");
    // Each text under its own id.
    EXPECT_LT(out.find("PLAY"), out.find("\"Pelaa\""));
    EXPECT_LT(out.find("\"Pelaa\""), out.find("HELP"));
    EXPECT_LT(out.find("HELP"), out.find("\"Line\\none\""));

    // A text chunk that holds only its version, its sub-chunks after it, as the engine also reads.
    voxa::ChunkWriter w;
    w.beginChunk("TEXT");
    w.u16(1);
    w.endChunk();
    w.beginChunk("LDAT");
    w.s16(1);
    w.utf("de");
    w.endChunk();
    w.beginChunk("LIDS");
    w.s16(1);
    w.utf("OK");
    w.endChunk();
    w.beginChunk("TXGP");
    w.utf("Gut \"so\"");
    w.endChunk();
    dir.write("flat.dat", str(w.file()));
    const std::string flat = inspect(dir / "flat.dat");
    EXPECT_LINE(flat, "1 id in 1 language: de");
    EXPECT_LINE(flat, "de \"Gut \\\"so\\\"\"");

    // Texts before the ids they belong to are a damaged file.
    voxa::ChunkWriter early;
    early.beginChunk("TEXT");
    early.u16(1);
    early.beginChunk("TXGP");
    early.utf("orphan");
    early.endChunk();
    early.endChunk();
    dir.write("early.dat", str(early.file()));
    EXPECT_NE(failure(dir / "early.dat").find("comes before the ids (LIDS)"), std::string::npos);
}

TEST(InspectChunks, CompositeSpritesOfBothVersions)
{
    TempDir dir;
    dir.write("compo.dat", str(voxa::writeCompoSprites(compos(), 1)));
    const std::string one = inspect(dir / "compo.dat");
    EXPECT_LINE(one, "2 composite sprites");
    EXPECT_LINE(one, "hero: 2 parts");
    EXPECT_LINE(one, "head 3 -20");
    EXPECT_LINE(one, "body 0 0");
    EXPECT_LINE(one, "empty: 0 parts");

    // Version 2 entries carry extra entries, read past by the engine but shown here.
    voxa::ChunkWriter w;
    w.beginChunk("COMP");
    w.u16(2);
    w.s16(1);
    w.utf("door");
    w.s16(1);
    w.utf("frame");
    w.s16(-5);
    w.s16(6);
    w.s16(2);
    w.utf("hinge");
    w.s16(1);
    w.s16(2);
    w.utf("lock");
    w.s16(-3);
    w.s16(4);
    w.endChunk();
    dir.write("compo2.dat", str(w.file()));
    const std::string two = inspect(dir / "compo2.dat");
    EXPECT_LINE(two, "COMP composite sprites, version 2, " + std::to_string(w.file().size() - 16) + " bytes");
    EXPECT_LINE(two, "door: 1 part, 2 extra entries (not used by the engine)");
    EXPECT_LINE(two, "frame -5 6");
    EXPECT_LINE(two, "lock -3 4");

    dir.write("compo2-written.dat", str(voxa::writeCompoSprites(compos(), 2)));
    EXPECT_LINE(inspect(dir / "compo2-written.dat"), "hero: 2 parts, 0 extra entries (not used by the engine)");
}

TEST(InspectChunks, FontGlyphsAndTheMetricsTheEngineDerives)
{
    TempDir dir;
    dir.write("font.dat", str(voxa::writeFont(font())));
    const std::string out = inspect(dir / "font.dat");
    EXPECT_LINE(out, "image font.png, 3 glyphs");
    EXPECT_LINE(out, "leading 2, tracking -1");
    // Ascent: the largest baseline (9, of ä); descent: the largest height below it (9 - 5 of g).
    EXPECT_LINE(out, "max ascent 9, max descent 4, height 13");
    EXPECT_LINE(out, "U+0041 A 0 0 7 10 8");
    EXPECT_LINE(out, "U+0067 g 8 0 6 9 5");
    EXPECT_LINE(out, "U+00E4 \xc3\xa4 16 0 6 11 9");

    // The engine's metrics start from zero: glyphs wholly above or below the baseline.
    voxa::FontData odd = font();
    odd.glyphs = {{'-', 0, 0, 4, 2, -3}, {0x01, 0, 0, 1, 1, 1}};
    dir.write("odd.dat", str(voxa::writeFont(odd)));
    const std::string oddOut = inspect(dir / "odd.dat");
    EXPECT_LINE(oddOut, "max ascent 1, max descent 5, height 6");
    EXPECT_LINE(oddOut, "U+0001 0 0 1 1 1"); // a control character has no printed form
}

TEST(InspectChunks, SeveralChunksUnknownOnesAndVersionsTheEngineSkips)
{
    voxa::ChunkWriter w;
    w.beginChunk("SPRT");
    w.u16(1);
    w.utf("a.png");
    w.s16(0);
    w.endChunk();
    w.beginChunk("XTRA");
    w.u32(7);
    w.endChunk();
    w.beginChunk("FONT");
    w.u16(9);
    w.u32(0);
    w.endChunk();
    TempDir dir;
    dir.write("mixed.dat", str(w.file()));
    const std::string out = inspect(dir / "mixed.dat");
    EXPECT_EQ(out.substr(0, out.find(';')), dir / "mixed.dat" + ": chunk file (VOXA), 3 chunks: SPRT, XTRA, FONT");
    EXPECT_LINE(out, "image a.png, 0 sprites");
    EXPECT_LINE(out, "XTRA unknown chunk, 4 bytes at byte " + std::to_string(8 + 8 + 2 + 7 + 2));
    EXPECT_LINE(out, "FONT bitmap font, version 9, 6 bytes");
    EXPECT_LINE(out, "a version the engine does not read: skipped");
}

TEST(InspectChunks, OlderLayoutsAreRecognisedByReadingWhole)
{
    TempDir dir;
    dir.write("sheet.dat", str(voxa::writeSpriteSheet(sheet(), voxa::Layout::OLDER)));
    const std::string sheetOut = inspect(dir / "sheet.dat");
    EXPECT_NE(sheetOut.find("sprite sheet in the older layout (no VOXA header)"), std::string::npos) << sheetOut;
    EXPECT_LINE(sheetOut, "player 0 0 32 48 16 47");

    dir.write("font.dat", str(voxa::writeFont(font(), voxa::Layout::OLDER)));
    const std::string fontOut = inspect(dir / "font.dat");
    EXPECT_NE(fontOut.find("bitmap font in the older layout"), std::string::npos) << fontOut;
    EXPECT_LINE(fontOut, "max ascent 9, max descent 4, height 13");

    dir.write("texts.dat", str(voxa::writeTexts(texts(), voxa::Layout::OLDER)));
    const std::string textOut = inspect(dir / "texts.dat");
    EXPECT_NE(textOut.find("texts in the older layout"), std::string::npos) << textOut;
    EXPECT_LINE(textOut, "fi \"Pelaa\"");
    EXPECT_LINE(textOut, "en \"Line\\none\"");

    dir.write("other.dat", "nothing of the kind");
    EXPECT_EQ(failure(dir / "other.dat"), dir / "other.dat" + ": not a chunk file (no VOXA header) and not a sprite "
                                                               "sheet, font or texts in the older layout");
}

TEST(InspectBundle, EveryEntryCheckedAgainstItsContainer)
{
    TempDir dir;
    dir.write("data0.bin", std::string(100, 'x'));
    dir.write("bundleIndex.idx", "data0.bin,a.png,0,60\ndata0.bin,b.dat,60,40\r\n"
                                 "data0.bin,c.lua,90,11\ndata1.bin,d.lua,0,5\n");
    const std::string out = inspect(dir / "bundleIndex.idx");
    EXPECT_LINE(out, dir / "bundleIndex.idx" + ": bundle index, 4 entries in 2 containers");
    EXPECT_LINE(out, "container name offset size check");
    EXPECT_LINE(out, "data0.bin a.png 0 60 ok");
    EXPECT_LINE(out, "data0.bin b.dat 60 40 ok"); // the carriage return of a CRLF line is no fault
    EXPECT_LINE(out, "data0.bin c.lua 90 11 past the end: data0.bin has 100 bytes");
    EXPECT_LINE(out, "data1.bin d.lua 0 5 missing: no container data1.bin beside the index");
    EXPECT_LINE(out, "2 entries have problems");

    dir.write("bundleIndex.idx", "data0.bin,a.png,0,100\n");
    EXPECT_LINE(inspect(dir / "bundleIndex.idx"), "every entry lies inside its container");
}

TEST(InspectBundle, DamagedIndexesNamedAndExplained)
{
    TempDir dir;
    const std::string index = dir / "bundleIndex.idx";
    dir.write("bundleIndex.idx", "data0.bin,a.png,0,60\ndata0.bin,b.dat,60\n");
    EXPECT_EQ(failure(index),
              index + ": the last entry of the bundle index has 3 of its 4 fields (container, name, offset, size)");
    dir.write("bundleIndex.idx", "data0.bin,a.png,zero,60\n");
    EXPECT_EQ(failure(index), index + ": entry 1 (a.png): the offset \"zero\" is not a number");
    dir.write("bundleIndex.idx", "data0.bin,a.png,0,60\ndata0.bin,b.png,5,-1\n");
    EXPECT_EQ(failure(index), index + ": entry 2 (b.png): the size -1 is outside 0..2147483647");
    dir.write("bundleIndex.idx", "\n,\n");
    EXPECT_EQ(failure(index), index + ": the bundle index has no entries");
}

TEST(InspectScripts, EachKeyNamedAndTheTextShown)
{
    TempDir dir;
    dir.write("level.lua", enciphered(game::scriptKey(), kScript));
    const std::string level = inspect(dir / "level.lua");
    EXPECT_EQ(level.substr(0, level.find('\n')),
              dir / "level.lua" + ": enciphered with the script key, " +
                  std::to_string(dir.read("level.lua").size()) + " bytes, " +
                  std::to_string(std::string(kScript).size()) + " bytes of text");
    EXPECT_LINE(level, "compiles as Lua");
    EXPECT_NE(level.find(std::string("----\n") + kScript + "----\n"), std::string::npos) << level;

    // A save: any name, told apart by its length alone; padding of random bytes is allowed.
    const std::string save = "settings = { volume = 0.5, name = \"N\\195\\164\" }\n";
    dir.write("settings", enciphered(game::saveKey(), save, true));
    const std::string settings = inspect(dir / "settings");
    EXPECT_NE(settings.find(": enciphered with the save key"), std::string::npos) << settings;
    EXPECT_NE(settings.find(save), std::string::npos);

    // A broken script is still shown: seeing it is the point.
    dir.write("broken.lua", enciphered(game::scriptKey(), "local = 1\n"));
    const std::string broken = inspect(dir / "broken.lua");
    EXPECT_NE(broken.find("does not compile as Lua: "), std::string::npos) << broken;
    EXPECT_NE(broken.find("broken.lua:1:"), std::string::npos) << broken;
    EXPECT_NE(broken.find("local = 1\n"), std::string::npos);

    // An empty script is all padding.
    dir.write("empty.lua", enciphered(game::scriptKey(), ""));
    EXPECT_NE(inspect(dir / "empty.lua").find("script key, 16 bytes, 0 bytes of text"), std::string::npos);
}

TEST(InspectScripts, PlainLuaAndWhatIsNeither)
{
    TempDir dir;
    dir.write("plain.lua", kScript);
    const std::string plain = inspect(dir / "plain.lua");
    EXPECT_LINE(plain, dir / "plain.lua" + ": plain Lua (not enciphered), " +
                           std::to_string(std::string(kScript).size()) + " bytes, compiles");
    EXPECT_NE(plain.find(kScript), std::string::npos);

    // Exactly two blocks of plain text: no key makes text of it, so it is plain.
    const std::string blocks = "x = 1234567890 -- twenty-two blocks";
    dir.write("blocks.lua", blocks.substr(0, 32));
    EXPECT_NE(inspect(dir / "blocks.lua").find("plain Lua"), std::string::npos);

    dir.write("bad.lua", "x = = 1\n");
    const std::string bad = failure(dir / "bad.lua");
    EXPECT_EQ(bad.rfind(dir / "bad.lua" + ": plain text that does not compile as Lua: ", 0), 0u) << bad;
    EXPECT_NE(bad.find("bad.lua:1:"), std::string::npos) << bad;

    // Enciphered with some other key: neither text nor anything a key of the game opens.
    uint8_t other[32] = {7};
    dir.write("foreign.lua", enciphered(other, kScript));
    EXPECT_NE(failure(dir / "foreign.lua").find("nor a script enciphered with the script or save key"), std::string::npos);
    dir.write("foreign", enciphered(other, kScript));
    EXPECT_NE(failure(dir / "foreign").find("not a file pelterra-build can inspect"), std::string::npos);
}

TEST(InspectImages, HeadersOfEachFormat)
{
    TempDir dir;
    dir.write("hero.png", png(3, 2));
    const std::string out = inspect(dir / "hero.png");
    EXPECT_LINE(out, dir / "hero.png" + ": PNG image, 3 x 2");
    EXPECT_LINE(out, "width 3");
    EXPECT_LINE(out, "height 2");
    EXPECT_LINE(out, "pixels A8B8G8R8, 32 bits a pixel, 4 channels (with alpha)");
    EXPECT_LINE(out, "PNG header bit depth 8, colour type 6 (RGBA), not interlaced");
    EXPECT_LINE(out, "mip levels 1");

    // Told by its bytes, whatever the name says.
    dir.write("named.dat", png(5, 7));
    EXPECT_LINE(inspect(dir / "named.dat"), dir / "named.dat" + ": PNG image, 5 x 7");

    dir.write("sky.tga", tga());
    const std::string tgaOut = inspect(dir / "sky.tga");
    EXPECT_LINE(tgaOut, dir / "sky.tga" + ": TGA image, 2 x 2");
    EXPECT_LINE(tgaOut, "pixels R8G8B8, 24 bits a pixel, 3 channels");

    dir.write("old.bmp", bmp());
    EXPECT_LINE(inspect(dir / "old.bmp"), dir / "old.bmp" + ": BMP image, 2 x 2");

    dir.write("fake.png", "not an image at all");
    EXPECT_EQ(failure(dir / "fake.png").rfind(dir / "fake.png" + ": not a readable PNG image: ", 0), 0u);
}

TEST(InspectDamaged, MissingEmptyAndUnknownFiles)
{
    TempDir dir;
    EXPECT_EQ(failure(dir / "none.dat"), dir / "none.dat" + ": no such file");
    EXPECT_EQ(failure(dir.path()), dir.path() + ": not a file");
    dir.write("empty.dat", "");
    EXPECT_EQ(failure(dir / "empty.dat"), dir / "empty.dat" + ": empty file");
    dir.write("notes.txt", "some notes\n");
    EXPECT_NE(failure(dir / "notes.txt").find("not a file pelterra-build can inspect"), std::string::npos);
}

/// Writes a new file each time: overwriting one in place makes the file system flush it to
/// disk at every close, which thousands of variants can't afford.
void rewrite(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    std::remove((dir / name).c_str());
    dir.write(name, bytes);
}

struct Sample
{
    const char* name;
    std::string bytes;
};

std::vector<Sample> samples()
{
    voxa::ChunkWriter flat;
    flat.beginChunk("TEXT");
    flat.u16(1);
    flat.endChunk();
    flat.beginChunk("LDAT");
    flat.s16(1);
    flat.utf("en");
    flat.endChunk();
    flat.beginChunk("LIDS");
    flat.s16(1);
    flat.utf("A");
    flat.endChunk();
    flat.beginChunk("TXGP");
    flat.utf("a");
    flat.endChunk();
    return {
        {"sheet.dat", str(voxa::writeSpriteSheet(sheet()))},
        {"texts.dat", str(voxa::writeTexts(texts()))},
        {"flat.dat", str(flat.file())},
        {"compo.dat", str(voxa::writeCompoSprites(compos(), 1))},
        {"compo2.dat", str(voxa::writeCompoSprites(compos(), 2))},
        {"font.dat", str(voxa::writeFont(font()))},
        {"older-sheet.dat", str(voxa::writeSpriteSheet(sheet(), voxa::Layout::OLDER))},
        {"older-font.dat", str(voxa::writeFont(font(), voxa::Layout::OLDER))},
        {"older-texts.dat", str(voxa::writeTexts(texts(), voxa::Layout::OLDER))},
        {"level.lua", enciphered(game::scriptKey(), kScript)},
        {"save", enciphered(game::saveKey(), kScript)},
        {"hero.png", png(4, 3)},
        {"sky.tga", tga()},
        {"old.bmp", bmp()},
    };
}

TEST(InspectDamaged, EveryCutOfEveryKindIsAnError)
{
    TempDir dir;
    for (const Sample& sample : samples()) {
        const std::string path = dir / sample.name;
        dir.write(sample.name, sample.bytes);
        ASSERT_EQ(failure(path), "(no error)") << sample.name;
        // Whole blocks of an enciphered file decipher on their own: with no checksum to tell,
        // a cut there may read as a shorter text.
        const bool enciphered = std::string(sample.name) == "level.lua" || std::string(sample.name) == "save";
        for (size_t length = 0; length < sample.bytes.size(); ++length) {
            if (enciphered && length > 0 && length % 16 == 0)
                continue;
            rewrite(dir, sample.name, sample.bytes.substr(0, length));
            EXPECT_NE(failure(path), "(no error)") << sample.name << " cut to " << length << " bytes";
        }
    }
}

/// The first chunk's length and the header's data length made to fit a cut, so that the
/// cut is met inside the chunk's contents rather than at the header.
std::string cutInside(const std::string& bytes, size_t length)
{
    std::string cut = bytes.substr(0, length);
    const auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            cut[at + i] = static_cast<char>(value >> (24 - 8 * i));
    };
    if (length >= 8)
        put32(4, static_cast<uint32_t>(length - 8));
    if (length >= 16)
        put32(12, std::min<uint32_t>(static_cast<uint32_t>(length - 16),
                                     uint32_t(uint8_t(bytes[12])) << 24 | uint32_t(uint8_t(bytes[13])) << 16 |
                                         uint32_t(uint8_t(bytes[14])) << 8 | uint8_t(bytes[15])));
    return cut;
}

TEST(InspectDamaged, CutsInsideChunksAndAlteredBytesNeverReadPastTheEnd)
{
    TempDir dir;
    int errors = 0, shown = 0;
    // The error, or "" when the file is shown.
    const auto check = [&](const std::string& name, const std::string& bytes) {
        rewrite(dir, name, bytes);
        const std::string path = dir / name;
        try {
            const std::string out = inspect(path);
            EXPECT_EQ(out.rfind(path + ": ", 0), 0u) << out;
            ++shown;
        } catch (const build::BuildError& e) {
            EXPECT_EQ(e.file(), path);
            EXPECT_GT(e.text().size(), 0u);
            ++errors;
            return e.text();
        }
        return std::string();
    };
    for (const Sample& sample : samples()) {
        if (sample.bytes.compare(0, 4, "VOXA") == 0) {
            const bool nested = sample.bytes.compare(8, 4, "TEXT") == 0;
            for (size_t length = 20; length < sample.bytes.size(); ++length) {
                const std::string error = check(sample.name, cutInside(sample.bytes, length));
                // Met where the contents run out, not at a chunk's length (sub-chunks keep theirs).
                if (!nested) {
                    EXPECT_EQ(error.find("claims"), std::string::npos)
                        << sample.name << " cut to " << length << ": " << error;
                }
            }
        }
        for (size_t at = 0; at < sample.bytes.size(); ++at) {
            for (int value : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
                std::string altered = sample.bytes;
                altered[at] = static_cast<char>(value);
                check(sample.name, altered);
            }
        }
    }
    // Both outcomes occur: altered counts and lengths are caught, altered numbers are shown.
    EXPECT_GT(errors, 100);
    EXPECT_GT(shown, 100);
}

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

Outcome run(const TempDir& dir, const std::string& file)
{
    const std::string command = std::string("'") + PELTERRA_BUILD + "' inspect '" + file + "' >'" + (dir / "out") +
                                "' 2>'" + (dir / "err") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.read("out"), dir.read("err")};
}

TEST(InspectCommand, ExitStatusAndMessages)
{
    TempDir dir;
    dir.write("font.dat", str(voxa::writeFont(font())));
    const Outcome good = run(dir, dir / "font.dat");
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_LINE(good.out, "max ascent 9, max descent 4, height 13");
    EXPECT_EQ(good.err, "");

    // A cut image: the engine's reader fails inside, and its log lines stay out of the way.
    dir.write("cut.png", png(4, 4).substr(0, 40));
    const Outcome bad = run(dir, dir / "cut.png");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind(dir / "cut.png" + ": not a readable PNG image", 0), 0u) << bad.err;
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;

    const Outcome missing = run(dir, dir / "missing.dat");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, dir / "missing.dat" + ": no such file\n");
}

} // namespace
