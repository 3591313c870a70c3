#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace voxa {

/// The layout a file is written in: chunked ("VOXA" header and chunks) or the older
/// header-less layout that the engine still reads.
enum class Layout { CHUNKED, OLDER };

struct SpriteRecord
{
    std::string name;
    int x = 0, y = 0, width = 0, height = 0, pivotX = 0, pivotY = 0;
};

struct SpriteSheetData
{
    std::string image; ///< relative to the sheet file's directory
    std::vector<SpriteRecord> sprites;
};

struct TextTable
{
    std::vector<std::string> languages;
    std::vector<std::string> ids;
    std::vector<int> lines; ///< the source line of each id, when parsed from text
    /// texts[language index][id index]
    std::vector<std::vector<std::string>> texts;
};

struct CompoPartRecord
{
    std::string sprite;
    int x = 0, y = 0;
    int line = 0; ///< the source line, when parsed from text
};

struct CompoRecord
{
    std::string name;
    std::vector<CompoPartRecord> parts;
    int line = 0; ///< the source line, when parsed from text
};

struct GlyphRecord
{
    int code = 0; ///< a UTF-16 code unit
    int x = 0, y = 0, width = 0, height = 0, baseline = 0;
};

struct FontData
{
    std::string image; ///< relative to the font file's directory
    int leading = 0;
    int tracking = 0;
    std::vector<GlyphRecord> glyphs;
};

// The file bytes. Values beyond the 16-bit fields throw std::runtime_error.
std::vector<uint8_t> writeSpriteSheet(const SpriteSheetData& sheet, Layout layout = Layout::CHUNKED);
std::vector<uint8_t> writeTexts(const TextTable& table, Layout layout = Layout::CHUNKED);
/// Version 2 adds an empty list of extra entries to every composite sprite.
std::vector<uint8_t> writeCompoSprites(const std::vector<CompoRecord>& sprites, int version = 1);
std::vector<uint8_t> writeFont(const FontData& font, Layout layout = Layout::CHUNKED);

// Readers of the tools' text descriptions; errors throw std::runtime_error "line N: ...".
// '#' starts a comment line; blank lines are skipped.

/// "image FILE", then one line per sprite: NAME X Y WIDTH HEIGHT PIVOTX PIVOTY.
SpriteSheetData parseSpriteList(const std::string& text);
/// Tab-separated: a header "id<TAB>LANGUAGE..." then "ID<TAB>TEXT..." rows. In a text a
/// backslash escapes n (line break), t (tab) or itself. An id given twice is an error: the
/// engine would silently keep only one of the two texts.
TextTable parseTextTable(const std::string& text);
/// "compo NAME" opens a composite sprite; each following "SPRITE X Y" line adds a part. A
/// name given twice is an error.
std::vector<CompoRecord> parseCompoList(const std::string& text);
/// "image FILE", "leading N", "tracking N", then one line per glyph: CODE X Y WIDTH HEIGHT
/// BASELINE, where CODE is a decimal number, U+hex or one quoted character ('A').
FontData parseGlyphList(const std::string& text);

} // namespace voxa
