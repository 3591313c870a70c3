#include "ResourceWriters.h"

#include "ChunkWriter.h"

#include <sstream>
#include <stdexcept>

namespace voxa {

namespace {

void checkShort(int value, const std::string& what)
{
    if (value < -32768 || value > 32767)
        throw std::runtime_error(what + " " + std::to_string(value) + " is outside -32768..32767");
}

void count(ChunkWriter& out, size_t n, const std::string& what)
{
    if (n > 32767)
        throw std::runtime_error(std::to_string(n) + " " + what + " are more than 32767");
    out.s16(int(n));
}

void shorts(ChunkWriter& out, std::initializer_list<int> values, const std::string& what)
{
    for (int value : values) {
        checkShort(value, what);
        out.s16(value);
    }
}

void sheetBody(ChunkWriter& out, const SpriteSheetData& sheet)
{
    out.utf(sheet.image);
    count(out, sheet.sprites.size(), "sprites");
    for (const SpriteRecord& s : sheet.sprites) {
        out.utf(s.name);
        shorts(out, {s.x, s.y, s.width, s.height, s.pivotX, s.pivotY}, "sprite " + s.name + ":");
    }
}

void fontBody(ChunkWriter& out, const FontData& font)
{
    out.utf(font.image);
    shorts(out, {font.leading, font.tracking}, "leading or tracking");
    count(out, font.glyphs.size(), "glyphs");
    for (const GlyphRecord& g : font.glyphs) {
        if (g.code < 0 || g.code > 0xffff)
            throw std::runtime_error("glyph code " + std::to_string(g.code) + " is not a 16-bit code unit");
        out.u16(g.code);
        shorts(out, {g.x, g.y, g.width, g.height, g.baseline}, "glyph " + std::to_string(g.code) + ":");
    }
}

const std::string& textOf(const TextTable& table, size_t language, size_t id)
{
    static const std::string empty;
    return language < table.texts.size() && id < table.texts[language].size() ? table.texts[language][id] : empty;
}

/// Splits a line at runs of spaces and tabs.
std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

[[noreturn]] void fail(int line, const std::string& message)
{
    throw std::runtime_error("line " + std::to_string(line) + ": " + message);
}

int integer(const std::string& word, int line)
{
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(word, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != word.size())
        fail(line, "a whole number expected, found \"" + word + "\"");
    return value;
}

/// Calls take(words, line number) for every line that is not blank or a comment.
template <class Take>
void eachLine(const std::string& text, Take take)
{
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#')
            continue;
        take(w, number);
    }
}

void expectWords(const std::vector<std::string>& w, size_t n, int line, const char* form)
{
    if (w.size() != n)
        fail(line, std::string("expected ") + form);
}

int glyphCode(const std::string& word, int line)
{
    if (word.size() >= 3 && word.front() == '\'' && word.back() == '\'') {
        // One UTF-8 character of up to three bytes: a code unit of its own.
        const std::string c = word.substr(1, word.size() - 2);
        const unsigned char b0 = c[0];
        if (c.size() == 1 && b0 < 0x80)
            return b0;
        if (c.size() == 2 && (b0 & 0xe0) == 0xc0)
            return (b0 & 0x1f) << 6 | (c[1] & 0x3f);
        if (c.size() == 3 && (b0 & 0xf0) == 0xe0)
            return (b0 & 0x0f) << 12 | (c[1] & 0x3f) << 6 | (c[2] & 0x3f);
        fail(line, "one character of the 16-bit range expected in " + word);
    }
    if (word.size() > 2 && (word[0] == 'U' || word[0] == 'u') && word[1] == '+') {
        size_t used = 0;
        int value = -1;
        try {
            value = std::stoi(word.substr(2), &used, 16);
        } catch (const std::exception&) {
        }
        if (used != word.size() - 2 || value < 0 || value > 0xffff)
            fail(line, "a code U+0000..U+FFFF expected, found " + word);
        return value;
    }
    return integer(word, line);
}

std::string unescape(const std::string& cell, int line)
{
    std::string out;
    for (size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != '\\') {
            out += cell[i];
            continue;
        }
        if (++i == cell.size())
            fail(line, "a backslash ends the text");
        switch (cell[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: fail(line, std::string("unknown escape \\") + cell[i]);
        }
    }
    return out;
}

std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

} // namespace

std::vector<uint8_t> writeSpriteSheet(const SpriteSheetData& sheet, Layout layout)
{
    ChunkWriter out;
    if (layout == Layout::OLDER) {
        sheetBody(out, sheet);
        return out.bytes();
    }
    out.beginChunk("SPRT");
    out.u16(1);
    sheetBody(out, sheet);
    out.endChunk();
    return out.file();
}

std::vector<uint8_t> writeTexts(const TextTable& table, Layout layout)
{
    ChunkWriter out;
    if (layout == Layout::CHUNKED) {
        out.beginChunk("TEXT");
        out.u16(1);
        out.beginChunk("LDAT");
        count(out, table.languages.size(), "languages");
        for (const std::string& language : table.languages)
            out.utf(language);
        out.endChunk();
        out.beginChunk("LIDS");
        count(out, table.ids.size(), "ids");
        for (const std::string& id : table.ids)
            out.utf(id);
        out.endChunk();
        for (size_t l = 0; l < table.languages.size(); ++l) {
            out.beginChunk("TXGP");
            for (size_t i = 0; i < table.ids.size(); ++i)
                out.utf(textOf(table, l, i));
            out.endChunk();
        }
        out.endChunk();
        return out.file();
    }

    if (table.languages.size() > 127)
        throw std::runtime_error("the older text layout holds at most 127 languages");
    ChunkWriter languages;
    languages.u8(int(table.languages.size()));
    for (const std::string& language : table.languages)
        languages.utf(language);
    std::vector<ChunkWriter> blocks(table.languages.size());
    for (size_t l = 0; l < blocks.size(); ++l)
        for (size_t i = 0; i < table.ids.size(); ++i)
            blocks[l].utf(textOf(table, l, i));

    out.u8(0);
    out.u32(uint32_t(languages.bytes().size()));
    out.raw(languages.bytes().data(), languages.bytes().size());
    count(out, table.ids.size(), "ids");
    for (const std::string& id : table.ids)
        out.utf(id);
    // Each offset counts from the end of its own entry to the start of its language's texts.
    size_t before = 0;
    for (size_t l = 0; l < blocks.size(); ++l) {
        out.u32(uint32_t(4 * (blocks.size() - l - 1) + before));
        before += blocks[l].bytes().size();
    }
    for (const ChunkWriter& block : blocks)
        out.raw(block.bytes().data(), block.bytes().size());
    return out.bytes();
}

std::vector<uint8_t> writeCompoSprites(const std::vector<CompoRecord>& sprites, int version)
{
    if (version != 1 && version != 2)
        throw std::runtime_error("composite sprite files have versions 1 and 2, not " + std::to_string(version));
    ChunkWriter out;
    out.beginChunk("COMP");
    out.u16(version);
    count(out, sprites.size(), "composite sprites");
    for (const CompoRecord& compo : sprites) {
        out.utf(compo.name);
        count(out, compo.parts.size(), "parts of " + compo.name);
        for (const CompoPartRecord& part : compo.parts) {
            out.utf(part.sprite);
            shorts(out, {part.x, part.y}, "part " + part.sprite + " of " + compo.name + ":");
        }
        if (version == 2)
            out.s16(0);
    }
    out.endChunk();
    return out.file();
}

std::vector<uint8_t> writeFont(const FontData& font, Layout layout)
{
    ChunkWriter out;
    if (layout == Layout::OLDER) {
        fontBody(out, font);
        return out.bytes();
    }
    out.beginChunk("FONT");
    out.u16(1);
    fontBody(out, font);
    out.endChunk();
    return out.file();
}

SpriteSheetData parseSpriteList(const std::string& text)
{
    SpriteSheetData sheet;
    eachLine(text, [&](const std::vector<std::string>& w, int line) {
        if (w[0] == "image") {
            expectWords(w, 2, line, "image FILE");
            sheet.image = w[1];
            return;
        }
        expectWords(w, 7, line, "NAME X Y WIDTH HEIGHT PIVOTX PIVOTY");
        SpriteRecord s;
        s.name = w[0];
        int* fields[] = {&s.x, &s.y, &s.width, &s.height, &s.pivotX, &s.pivotY};
        for (int i = 0; i < 6; ++i)
            *fields[i] = integer(w[i + 1], line);
        sheet.sprites.push_back(s);
    });
    if (sheet.image.empty())
        throw std::runtime_error("no \"image FILE\" line");
    return sheet;
}

TextTable parseTextTable(const std::string& text)
{
    TextTable table;
    std::map<std::string, int> firstLine;
    std::istringstream in(text);
    int number = 0;
    bool header = true;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> row = cells(line);
        if (header) {
            if (row.size() < 2)
                fail(number, "the header names the id column and at least one language, separated by tabs");
            table.languages.assign(row.begin() + 1, row.end());
            table.texts.resize(table.languages.size());
            header = false;
            continue;
        }
        if (row.size() > table.languages.size() + 1)
            fail(number, "more texts than languages");
        const auto earlier = firstLine.emplace(row[0], number);
        if (!earlier.second)
            fail(number, "text id \"" + row[0] + "\" already given on line " + std::to_string(earlier.first->second));
        table.ids.push_back(row[0]);
        table.lines.push_back(number);
        for (size_t l = 0; l < table.languages.size(); ++l)
            table.texts[l].push_back(l + 1 < row.size() ? unescape(row[l + 1], number) : std::string());
    }
    if (header)
        throw std::runtime_error("no header line");
    return table;
}

std::vector<CompoRecord> parseCompoList(const std::string& text)
{
    std::vector<CompoRecord> sprites;
    eachLine(text, [&](const std::vector<std::string>& w, int line) {
        if (w[0] == "compo") {
            expectWords(w, 2, line, "compo NAME");
            for (const CompoRecord& earlier : sprites) {
                if (earlier.name == w[1])
                    fail(line, "composite sprite \"" + w[1] + "\" already given on line " + std::to_string(earlier.line));
            }
            sprites.push_back(CompoRecord{w[1], {}, line});
            return;
        }
        if (sprites.empty())
            fail(line, "a part before the first \"compo NAME\" line");
        expectWords(w, 3, line, "SPRITE X Y");
        sprites.back().parts.push_back(CompoPartRecord{w[0], integer(w[1], line), integer(w[2], line), line});
    });
    return sprites;
}

FontData parseGlyphList(const std::string& text)
{
    FontData font;
    eachLine(text, [&](const std::vector<std::string>& w, int line) {
        if (w[0] == "image" || w[0] == "leading" || w[0] == "tracking") {
            expectWords(w, 2, line, (w[0] + " VALUE").c_str());
            if (w[0] == "image")
                font.image = w[1];
            else
                (w[0] == "leading" ? font.leading : font.tracking) = integer(w[1], line);
            return;
        }
        expectWords(w, 6, line, "CODE X Y WIDTH HEIGHT BASELINE");
        GlyphRecord g;
        g.code = glyphCode(w[0], line);
        int* fields[] = {&g.x, &g.y, &g.width, &g.height, &g.baseline};
        for (int i = 0; i < 5; ++i)
            *fields[i] = integer(w[i + 1], line);
        font.glyphs.push_back(g);
    });
    if (font.image.empty())
        throw std::runtime_error("no \"image FILE\" line");
    return font;
}

} // namespace voxa
