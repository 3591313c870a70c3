#include "Inspect.h"

#include "BuildError.h"
#include "Image.h"

#include "game/CipherKeys.h"
#include "gr/PixelFormat.h"
#include "img/ImageReader.h"
#include "io/ByteArrayInputStream.h"
#include "lang/BlockCipher.h"
#include "lang/Debug.h"
#include "lang/Exception.h"
#include "lang/Ptr.h"
#include "lua/LuaException.h"
#include "lua/LuaState.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>
#include <tuple>
#include <vector>

namespace build {

namespace {

namespace fs = std::filesystem;

// Nothing the engine reads comes near this; a bigger file is a container or a mistake, and
// reading it whole would only exhaust memory.
const uintmax_t MAX_FILE_BYTES = uintmax_t(512) << 20;

std::string lowerExtension(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    const size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// --- text -----------------------------------------------------------------------

/// The length of the well-formed UTF-8 sequence at text[i] (overlong forms, surrogates and
/// codes past U+10FFFF refused) and its code; 0 when there is none.
size_t utf8At(const std::string& text, size_t i, uint32_t* code)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t b0 = byte(i);
    if (b0 < 0x80) {
        *code = b0;
        return 1;
    }
    size_t length;
    uint32_t value, least;
    if ((b0 & 0xe0) == 0xc0) {
        length = 2, value = b0 & 0x1f, least = 0x80;
    } else if ((b0 & 0xf0) == 0xe0) {
        length = 3, value = b0 & 0x0f, least = 0x800;
    } else if ((b0 & 0xf8) == 0xf0) {
        length = 4, value = b0 & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        value = value << 6 | (byte(i + k) & 0x3f);
    }
    if (value < least || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    *code = value;
    return length;
}

/// Whether bytes read as text a person wrote: well-formed UTF-8 with no control characters
/// but the white-space ones. Where it first fails goes to *bad.
bool isText(const std::string& bytes, size_t* bad = nullptr)
{
    for (size_t i = 0; i < bytes.size();) {
        uint32_t code;
        const size_t length = utf8At(bytes, i, &code);
        const bool control = code < 0x20 ? std::strchr("\t\n\r\f\v", static_cast<int>(code)) == nullptr : code == 0x7f;
        if (length == 0 || control) {
            if (bad)
                *bad = i;
            return false;
        }
        i += length;
    }
    return true;
}

/// A string as it can be shown on one line: line breaks, tabs, control characters and bytes
/// that are not UTF-8 escaped; quoted, with its quotes and backslashes escaped, when asked.
std::string shown(const std::string& text, bool quoted = false)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out = quoted ? "\"" : "";
    for (size_t i = 0; i < text.size();) {
        uint32_t code;
        const size_t length = utf8At(text, i, &code);
        if (length == 0 || code < 0x20 || code == 0x7f) {
            const uint8_t b = static_cast<uint8_t>(text[i]);
            if (length != 0 && b == '\n')
                out += "\\n";
            else if (length != 0 && b == '\t')
                out += "\\t";
            else if (length != 0 && b == '\r')
                out += "\\r";
            else
                out += std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
            ++i;
            continue;
        }
        if (quoted && (code == '"' || code == '\\'))
            out += '\\';
        out.append(text, i, length);
        i += length;
    }
    return quoted ? out + "\"" : out;
}

/// Columns of text and numbers lined up under each other.
class Table
{
public:
    /// One letter a column: 'l' aligns it left, 'r' right.
    explicit Table(std::string align) : m_align(std::move(align)) {}

    void row(std::vector<std::string> cells) { m_rows.push_back(std::move(cells)); }
    bool empty() const { return m_rows.empty(); }

    void write(std::ostream& out, const std::string& indent) const
    {
        std::vector<size_t> widths(m_align.size(), 0);
        for (const auto& cells : m_rows)
            for (size_t c = 0; c < cells.size() && c < widths.size(); ++c)
                widths[c] = std::max(widths[c], width(cells[c]));
        for (const auto& cells : m_rows) {
            std::string line = indent;
            for (size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
                const std::string pad(widths[c] - width(cells[c]), ' ');
                line += (c ? "  " : "") + (m_align[c] == 'r' ? pad + cells[c] : cells[c] + pad);
            }
            line.erase(line.find_last_not_of(' ') + 1);
            out << line << '\n';
        }
    }

private:
    std::string m_align;
    std::vector<std::vector<std::string>> m_rows;

    /// Characters, not bytes, so that names beyond ASCII line up too.
    static size_t width(const std::string& text)
    {
        return static_cast<size_t>(
            std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xc0) != 0x80; }));
    }
};

// --- bounds-checked reading ------------------------------------------------------

/// Reads big-endian numbers and length-prefixed strings from a window of the file's bytes.
/// Every read is checked against the bytes the window has left, and so is every count
/// before anything is sized by it.
class Reader
{
public:
    Reader(const std::string& path, const std::string& bytes, size_t begin, size_t end, std::string region)
        : m_path(path), m_bytes(bytes), m_at(begin), m_end(end), m_region(std::move(region))
    {
    }

    size_t position() const { return m_at; }
    size_t end() const { return m_end; }
    size_t left() const { return m_end - m_at; }
    const std::string& path() const { return m_path; }
    const std::string& bytes() const { return m_bytes; }

    void need(size_t count, const std::string& what) const
    {
        if (count > left())
            fail(m_region + " ends inside " + what + " (" + plural(left(), "byte", "bytes") + " left, " +
                 std::to_string(count) + " needed)");
    }
    void skip(size_t count, const std::string& what)
    {
        need(count, what);
        m_at += count;
    }
    std::string raw(size_t count, const std::string& what)
    {
        need(count, what);
        m_at += count;
        return m_bytes.substr(m_at - count, count);
    }
    uint16_t u16(const std::string& what)
    {
        need(2, what);
        const uint16_t value = static_cast<uint16_t>(byte(0) << 8 | byte(1));
        m_at += 2;
        return value;
    }
    int s16(const std::string& what) { return static_cast<int16_t>(u16(what)); }
    uint32_t u32(const std::string& what)
    {
        need(4, what);
        const uint32_t value = uint32_t(byte(0)) << 24 | uint32_t(byte(1)) << 16 | uint32_t(byte(2)) << 8 | byte(3);
        m_at += 4;
        return value;
    }
    /// A 16-bit byte count and that many bytes of UTF-8.
    std::string utf(const std::string& what)
    {
        const size_t at = m_at;
        const int length = s16("the length of " + what);
        if (length < 0)
            fail("the length of " + what + " is negative (" + std::to_string(length) + ") at byte " +
                 std::to_string(at));
        std::string text = raw(static_cast<size_t>(length), what);
        if (m_textOnly && !isText(text))
            fail(what + " at byte " + std::to_string(at) + " is not text");
        return text;
    }
    /// Makes strings that are not text a failure, where a guess needs them to be.
    void textOnly() { m_textOnly = true; }
    /// A 16-bit count of items that take at least itemBytes each.
    size_t count(size_t itemBytes, const std::string& what)
    {
        const size_t at = m_at;
        const int n = s16("the count of " + what);
        if (n < 0)
            fail("the count of " + what + " is negative (" + std::to_string(n) + ") at byte " + std::to_string(at));
        need(static_cast<size_t>(n) * itemBytes, std::to_string(n) + " " + what);
        return static_cast<size_t>(n);
    }

    [[noreturn]] void fail(const std::string& text) const { throw BuildError(m_path, text); }

private:
    const std::string& m_path;
    const std::string& m_bytes;
    size_t m_at;
    size_t m_end;
    std::string m_region;
    bool m_textOnly = false;

    unsigned byte(size_t offset) const { return static_cast<uint8_t>(m_bytes[m_at + offset]); }
};

/// An id of four bytes as letters when it is letters.
std::string chunkName(const std::string& id)
{
    return shown(id);
}

// --- resource bodies ----------------------------------------------------------------

const size_t STRING_BYTES = 2;                 // the shortest string: its length alone
const size_t SPRITE_BYTES = STRING_BYTES + 12; // a name and six 16-bit numbers
const size_t GLYPH_BYTES = 12;                 // a code unit and five 16-bit numbers
const size_t COMPO_BYTES = STRING_BYTES + 2;   // a name and a part count
const size_t PART_BYTES = STRING_BYTES + 4;    // a sprite name, x and y

void sheetBody(Reader& in, std::ostream& out)
{
    const std::string image = in.utf("the image name");
    const size_t count = in.count(SPRITE_BYTES, "sprites");
    Table table("lrrrrrr");
    table.row({"name", "x", "y", "width", "height", "pivotX", "pivotY"});
    for (size_t i = 0; i < count; ++i) {
        const std::string what = "sprite " + std::to_string(i + 1);
        std::vector<std::string> cells{shown(in.utf("the name of " + what))};
        for (int k = 0; k < 6; ++k)
            cells.push_back(std::to_string(in.s16(what)));
        table.row(cells);
    }
    out << "  image " << shown(image) << ", " << plural(count, "sprite", "sprites") << "\n";
    if (count)
        table.write(out, "    ");
}

void fontBody(Reader& in, std::ostream& out)
{
    const std::string image = in.utf("the image name");
    const int leading = in.s16("the leading");
    const int tracking = in.s16("the tracking");
    const size_t count = in.count(GLYPH_BYTES, "glyphs");
    Table table("llrrrrr");
    table.row({"code", "char", "x", "y", "width", "height", "baseline"});
    // As the engine derives them: from zero up, over every glyph.
    int ascent = 0, descent = 0;
    for (size_t i = 0; i < count; ++i) {
        const std::string what = "glyph " + std::to_string(i + 1);
        const unsigned code = in.u16(what);
        int v[5];
        for (int& value : v)
            value = in.s16(what);
        ascent = std::max(ascent, v[4]);
        descent = std::max(descent, v[3] - v[4]);
        char hex[8];
        std::snprintf(hex, sizeof(hex), "U+%04X", code);
        std::string character;
        if (code >= 0x20 && code != 0x7f && (code < 0x80 || code >= 0xa0) && (code < 0xd800 || code > 0xdfff)) {
            if (code < 0x80) {
                character = std::string(1, static_cast<char>(code));
            } else if (code < 0x800) {
                character = {static_cast<char>(0xc0 | code >> 6), static_cast<char>(0x80 | (code & 0x3f))};
            } else {
                character = {static_cast<char>(0xe0 | code >> 12), static_cast<char>(0x80 | (code >> 6 & 0x3f)),
                             static_cast<char>(0x80 | (code & 0x3f))};
            }
        }
        table.row({hex, character, std::to_string(v[0]), std::to_string(v[1]), std::to_string(v[2]),
                   std::to_string(v[3]), std::to_string(v[4])});
    }
    out << "  image " << shown(image) << ", " << plural(count, "glyph", "glyphs") << "\n";
    out << "  leading " << leading << ", tracking " << tracking << "\n";
    out << "  max ascent " << ascent << ", max descent " << descent << ", height " << ascent + descent << "\n";
    if (count)
        table.write(out, "    ");
}

void compoBody(Reader& in, int version, std::ostream& out)
{
    const size_t count = in.count(COMPO_BYTES, "composite sprites");
    out << "  " << plural(count, "composite sprite", "composite sprites") << "\n";
    for (size_t i = 0; i < count; ++i) {
        const std::string what = "composite sprite " + std::to_string(i + 1);
        const std::string name = in.utf("the name of " + what);
        const size_t parts = in.count(PART_BYTES, "parts of " + what);
        Table table("lrr");
        table.row({"sprite", "x", "y"});
        for (size_t p = 0; p < parts; ++p) {
            const std::string part = "part " + std::to_string(p + 1) + " of " + what;
            const std::string sprite = shown(in.utf("the sprite name of " + part));
            const int x = in.s16(part);
            table.row({sprite, std::to_string(x), std::to_string(in.s16(part))});
        }
        Table extras("lrr");
        size_t extraCount = 0;
        if (version == 2) {
            // Entries the engine reads past and never uses: shown, so that nothing is hidden.
            extraCount = in.count(PART_BYTES, "extra entries of " + what);
            for (size_t e = 0; e < extraCount; ++e) {
                const std::string entry = "extra entry " + std::to_string(e + 1) + " of " + what;
                const std::string text = shown(in.utf("the name of " + entry));
                const int a = in.s16(entry);
                extras.row({text, std::to_string(a), std::to_string(in.s16(entry))});
            }
        }
        out << "    " << shown(name) << ": " << plural(parts, "part", "parts");
        if (version == 2)
            out << ", " << plural(extraCount, "extra entry", "extra entries") << " (not used by the engine)";
        out << "\n";
        if (parts)
            table.write(out, "      ");
        if (extraCount) {
            out << "      extra entries:\n";
            extras.write(out, "        ");
        }
    }
}

/// The texts of every language, gathered from the sub-chunks of a text chunk or from the
/// older layout, and shown by id.
struct Texts
{
    std::vector<std::string> languages;
    std::vector<std::string> ids;                           ///< in the order they first appear
    std::vector<std::map<std::string, std::string>> groups; ///< one a language, in language order

    void addId(const std::string& id)
    {
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.push_back(id);
    }

    void write(std::ostream& out) const
    {
        out << "  " << plural(ids.size(), "id", "ids") << " in " << plural(languages.size(), "language", "languages");
        for (size_t l = 0; l < languages.size(); ++l)
            out << (l ? ", " : ": ") << shown(languages[l]);
        out << "\n";
        if (groups.size() != languages.size())
            out << "  " << plural(languages.size(), "language", "languages") << " but "
                << plural(groups.size(), "group of texts", "groups of texts")
                << (groups.size() < languages.size() ? ": the last languages have no texts" : ": the last groups have no language")
                << "\n";
        const size_t columns = std::max(languages.size(), groups.size());
        for (const std::string& id : ids) {
            out << "    " << shown(id) << "\n";
            Table table("ll");
            for (size_t l = 0; l < columns; ++l) {
                const std::string language = l < languages.size() ? shown(languages[l]) : "#" + std::to_string(l + 1);
                std::string text = "(missing)";
                if (l < groups.size()) {
                    const auto found = groups[l].find(id);
                    if (found != groups[l].end())
                        text = shown(found->second, true);
                }
                table.row({language, text});
            }
            table.write(out, "      ");
        }
    }
};

std::vector<std::string> readStrings(Reader& in, const std::string& what)
{
    const size_t count = in.count(STRING_BYTES, what);
    std::vector<std::string> strings;
    strings.reserve(count);
    for (size_t i = 0; i < count; ++i)
        strings.push_back(in.utf(what.substr(0, what.size() - 1) + " " + std::to_string(i + 1)));
    return strings;
}

/// The sub-chunks of a version-1 text chunk: languages, ids, then a group of texts for
/// each language in turn.
void textSubChunks(Reader& in, std::ostream& out)
{
    Texts texts;
    std::vector<std::string> ids;
    bool haveIds = false;
    std::vector<std::string> unknown;
    while (in.left() > 0) {
        const size_t at = in.position();
        const std::string id = in.raw(4, "a sub-chunk header");
        const uint32_t length = in.u32("the length of sub-chunk " + chunkName(id));
        if (length > in.left())
            in.fail("sub-chunk " + chunkName(id) + " at byte " + std::to_string(at) + " claims " +
                    std::to_string(length) + " bytes but only " + std::to_string(in.left()) + " are left");
        Reader sub(in.path(), in.bytes(), in.position(), in.position() + length,
                   "sub-chunk " + chunkName(id) + " at byte " + std::to_string(at));
        if (id == "LDAT") {
            texts.languages = readStrings(sub, "languages");
        } else if (id == "LIDS") {
            ids = readStrings(sub, "ids");
            haveIds = true;
            for (const std::string& textId : ids)
                texts.addId(textId);
        } else if (id == "TXGP") {
            if (!haveIds)
                in.fail("sub-chunk TXGP at byte " + std::to_string(at) + " comes before the ids (LIDS)");
            std::map<std::string, std::string> group;
            for (const std::string& textId : ids)
                group[textId] = sub.utf("the text of " + shown(textId, true));
            texts.groups.push_back(std::move(group));
        } else {
            unknown.push_back(chunkName(id) + " (" + plural(length, "byte", "bytes") + ")");
        }
        in.skip(length, "sub-chunk " + chunkName(id));
    }
    texts.write(out);
    for (const std::string& name : unknown)
        out << "  unknown sub-chunk " << name << "\n";
}

// --- chunk files ------------------------------------------------------------------

void inspectChunkFile(const std::string& path, const std::string& bytes, std::ostream& out)
{
    Reader file(path, bytes, 0, bytes.size(), "the file");
    file.skip(4, "the VOXA mark");
    const uint32_t dataLength = file.u32("the data length after VOXA");
    if (dataLength > file.left())
        file.fail("the header promises " + plural(dataLength, "byte", "bytes") + " of data but only " +
                  std::to_string(file.left()) + " follow: the file is cut short");

    // The engine reads chunks up to the end of the file, whatever the header says.
    std::ostringstream body;
    std::vector<std::string> names;
    while (file.left() > 0) {
        const size_t at = file.position();
        const std::string id = file.raw(4, "a chunk header");
        const uint32_t length = file.u32("the length of chunk " + chunkName(id));
        if (length > file.left())
            file.fail("chunk " + chunkName(id) + " at byte " + std::to_string(at) + " claims " +
                      plural(length, "byte", "bytes") + " but only " + std::to_string(file.left()) + " are left");
        const std::string where = "chunk " + chunkName(id) + " at byte " + std::to_string(at);
        Reader chunk(path, bytes, file.position(), file.position() + length, where);
        names.push_back(chunkName(id));
        size_t next = chunk.end();

        struct Kind
        {
            const char* id;
            const char* what;
        };
        static const Kind kKinds[] = {{"TEXT", "texts"}, {"SPRT", "sprite sheet"}, {"COMP", "composite sprites"},
                                      {"FONT", "bitmap font"}};
        const Kind* kind = nullptr;
        for (const Kind& k : kKinds)
            if (id == k.id)
                kind = &k;
        if (!kind) {
            body << chunkName(id) << "  unknown chunk, " << plural(length, "byte", "bytes") << " at byte " << at
                 << "\n";
            file.skip(length, where);
            continue;
        }
        const int version = chunk.u16("its version");
        body << chunkName(id) << "  " << kind->what << ", version " << version << ", "
             << plural(length, "byte", "bytes") << "\n";
        const bool known = id == "COMP" ? version == 1 || version == 2 : version == 1;
        if (!known) {
            body << "  a version the engine does not read: skipped\n";
        } else if (id == "SPRT") {
            sheetBody(chunk, body);
        } else if (id == "FONT") {
            fontBody(chunk, body);
        } else if (id == "COMP") {
            compoBody(chunk, version, body);
        } else if (length > 2) {
            textSubChunks(chunk, body);
        } else {
            // A text chunk that holds only its version: its sub-chunks follow it, up to the
            // end of the file, and that is where the engine reads them.
            Reader rest(path, bytes, chunk.end(), bytes.size(), "the sub-chunks after " + where);
            textSubChunks(rest, body);
            next = bytes.size();
        }
        file.skip(next - file.position(), where);
    }

    out << path << ": chunk file (VOXA), " << plural(names.size(), "chunk", "chunks");
    for (size_t i = 0; i < names.size(); ++i)
        out << (i ? ", " : ": ") << names[i];
    out << "; " << plural(dataLength, "byte", "bytes") << " of data\n";
    if (dataLength < bytes.size() - 8)
        out << "note: the header counts " << dataLength << " bytes of data but " << bytes.size() - 8
            << " follow it; the engine reads them all\n";
    out << body.str();
}

/// Fails unless the next string names an image file, as a sheet or a font starts; the
/// reader stays where it was.
void imageNamed(const Reader& in)
{
    Reader peek = in;
    const std::string image = peek.utf("the image name");
    if (image.find('.') == std::string::npos)
        in.fail("no image name");
}

/// The header-less layouts that came before the chunks: a sprite sheet, a font or texts
/// with nothing to say which. Whichever reads the whole file exactly is taken.
bool inspectOlderLayout(const std::string& path, const std::string& bytes, std::ostream& out)
{
    const auto attempt = [&](const char* what, auto read) {
        std::ostringstream body;
        Reader in(path, bytes, 0, bytes.size(), "the file");
        in.textOnly();
        try {
            read(in, body);
        } catch (const BuildError&) {
            return false;
        }
        if (in.left() != 0)
            return false;
        out << path << ": " << what << " in the older layout (no VOXA header), "
            << plural(bytes.size(), "byte", "bytes") << "\n"
            << body.str();
        return true;
    };
    return attempt("texts", [](Reader& in, std::ostream& body) {
               if (in.raw(1, "the first byte") != std::string(1, '\0'))
                   in.fail("not older texts");
               const uint32_t languagesLength = in.u32("the length of the languages");
               in.need(languagesLength, "the languages");
               Reader languages(in.path(), in.bytes(), in.position(), in.position() + languagesLength, "the languages");
               in.skip(languagesLength, "the languages");
               Texts texts;
               const size_t count = static_cast<uint8_t>(languages.raw(1, "the language count")[0]);
               languages.need(count * STRING_BYTES, "the languages");
               for (size_t l = 0; l < count; ++l)
                   texts.languages.push_back(languages.utf("language " + std::to_string(l + 1)));
               if (languages.left() != 0)
                   in.fail("not older texts");
               const std::vector<std::string> ids = readStrings(in, "ids");
               for (const std::string& id : ids)
                   texts.addId(id);
               // Each offset counts from the end of its own entry to its language's texts.
               in.need(4 * count, "the offsets of the languages");
               size_t end = 0;
               for (size_t l = 0; l < count; ++l) {
                   const uint32_t offset = in.u32("the offset of language " + std::to_string(l + 1));
                   if (offset > in.left())
                       in.fail("not older texts");
                   Reader group(in.path(), in.bytes(), in.position() + offset, in.end(), "the texts");
                   std::map<std::string, std::string> texts1;
                   for (const std::string& id : ids)
                       texts1[id] = group.utf("the text of " + shown(id, true));
                   texts.groups.push_back(std::move(texts1));
                   end = std::max(end, group.position());
               }
               in.skip(std::max(end, in.position()) - in.position(), "the texts");
               texts.write(body);
           }) ||
           attempt("sprite sheet", [](Reader& in, std::ostream& body) {
               imageNamed(in);
               sheetBody(in, body);
           }) ||
           attempt("bitmap font", [](Reader& in, std::ostream& body) {
               imageNamed(in);
               fontBody(in, body);
           });
}

// --- bundle index -----------------------------------------------------------------

/// A decimal field of the index: digits with an optional sign, blanks around them allowed
/// (a line ending in a carriage return leaves one in the last field).
bool indexNumber(const std::string& token, long long* value)
{
    const size_t first = token.find_first_not_of(" \t\r");
    const size_t last = token.find_last_not_of(" \t\r");
    if (first == std::string::npos)
        return false;
    const std::string digits = token.substr(first, last - first + 1);
    size_t i = digits[0] == '-' || digits[0] == '+' ? 1 : 0;
    if (i == digits.size() || digits.size() > 18)
        return false;
    for (; i < digits.size(); ++i)
        if (digits[i] < '0' || digits[i] > '9')
            return false;
    *value = std::strtoll(digits.c_str(), nullptr, 10);
    return true;
}

void inspectBundleIndex(const std::string& path, const std::string& bytes, std::ostream& out)
{
    // As the engine splits it: commas and line feeds separate, runs of them count as one.
    std::vector<std::string> tokens;
    for (size_t at = 0; at < bytes.size();) {
        const size_t end = std::min(bytes.find_first_of(",\n", at), bytes.size());
        if (end > at)
            tokens.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    if (tokens.empty())
        throw BuildError(path, "the bundle index has no entries");
    if (tokens.size() % 4 != 0)
        throw BuildError(path, "the last entry of the bundle index has " + std::to_string(tokens.size() % 4) +
                                   " of its 4 fields (container, name, offset, size)");

    const fs::path directory = fs::path(path).parent_path();
    std::map<std::string, long long> containers; // size, or -1 when missing
    Table table("llrrl");
    table.row({"container", "name", "offset", "size", "check"});
    size_t problems = 0;
    for (size_t i = 0; i < tokens.size(); i += 4) {
        const size_t entry = i / 4 + 1;
        const std::string& container = tokens[i];
        long long numbers[2];
        for (int k = 0; k < 2; ++k) {
            const char* field = k ? "size" : "offset";
            if (!indexNumber(tokens[i + 2 + k], &numbers[k]))
                throw BuildError(path, "entry " + std::to_string(entry) + " (" + shown(tokens[i + 1]) + "): the " +
                                           field + " " + shown(tokens[i + 2 + k], true) + " is not a number");
            if (numbers[k] < 0 || numbers[k] > INT32_MAX)
                throw BuildError(path, "entry " + std::to_string(entry) + " (" + shown(tokens[i + 1]) + "): the " +
                                           field + " " + std::to_string(numbers[k]) + " is outside 0.." +
                                           std::to_string(INT32_MAX));
        }
        auto found = containers.find(container);
        if (found == containers.end()) {
            std::error_code error;
            const fs::path file = directory / container;
            long long size = -1;
            if (fs::is_regular_file(file, error)) {
                const uintmax_t bytesInFile = fs::file_size(file, error);
                if (!error)
                    size = static_cast<long long>(bytesInFile);
            }
            found = containers.emplace(container, size).first;
        }
        std::string check = "ok";
        if (found->second < 0)
            check = "missing: no container " + shown(container) + " beside the index";
        else if (numbers[0] + numbers[1] > found->second)
            check = "past the end: " + shown(container) + " has " + plural(size_t(found->second), "byte", "bytes");
        problems += check != "ok";
        table.row({shown(container), shown(tokens[i + 1]), std::to_string(numbers[0]), std::to_string(numbers[1]),
                   check});
    }
    const size_t entries = tokens.size() / 4;
    out << path << ": bundle index, " << plural(entries, "entry", "entries") << " in "
        << plural(containers.size(), "container", "containers") << "\n";
    table.write(out, "  ");
    if (problems)
        out << plural(problems, "entry has a problem", "entries have problems") << "\n";
    else
        out << "every entry lies inside its container\n";
}

// --- scripts and saves ---------------------------------------------------------------

/// What a key makes of an enciphered file.
struct Deciphered
{
    bool text = false;         ///< valid padding and readable text
    bool regularPad = false;   ///< every padding byte holds the pad count
    std::string plain;
};

Deciphered decipherWith(const uint8_t* key, const std::string& bytes)
{
    Deciphered result;
    // The cipher strips the padding without looking at it. One more block after the file
    // keeps the file's own last block whole, so its padding can be checked: a wrong key
    // leaves random bytes there.
    std::string longer = bytes + std::string(lang::BlockCipher::BLOCK_SIZE, '\0');
    lang::String out;
    if (!lang::BlockCipher::decipher(key, longer.data(), static_cast<int>(longer.size()), &out) ||
        out.str().size() < bytes.size())
        return result;
    const std::string whole = out.str().substr(0, bytes.size());
    const size_t pad = static_cast<uint8_t>(whole.back());
    if (pad < 1 || pad > size_t(lang::BlockCipher::BLOCK_SIZE))
        return result;
    result.plain = whole.substr(0, whole.size() - pad);
    result.regularPad = std::all_of(whole.end() - static_cast<long>(pad), whole.end(),
                                    [&](char c) { return static_cast<uint8_t>(c) == pad; });
    // An empty text leaves nothing but the padding to go by: ask for all of it.
    result.text = isText(result.plain) && (!result.plain.empty() || result.regularPad);
    return result;
}

/// Compiles text as the engine would; the compiler's message when it fails, "" when it compiles.
std::string luaProblem(const std::string& text, const std::string& path)
{
    try {
        lang::Ptr<lua::LuaState> state = new lua::LuaState;
        state->checkSyntax(text, path);
    } catch (const lang::Throwable& e) {
        const std::string message = e.getMessage().str();
        return message.empty() ? std::string("it does not compile as Lua") : message;
    }
    return "";
}

void writeScript(const std::string& text, std::ostream& out)
{
    out << "----\n" << text;
    if (!text.empty() && text.back() != '\n')
        out << "\n";
    out << "----\n";
}

/// Writes the file if one of the keys deciphers it to text; false when neither does.
bool inspectEnciphered(const std::string& path, const std::string& bytes, std::ostream& out)
{
    if (bytes.empty() || bytes.size() % lang::BlockCipher::BLOCK_SIZE != 0 || bytes.size() > INT_MAX / 2)
        return false;
    struct Candidate
    {
        const char* key;
        Deciphered result;
        std::string problem;
    };
    std::vector<Candidate> found;
    for (const auto& key : {std::make_pair("script", game::scriptKey()), std::make_pair("save", game::saveKey())}) {
        Deciphered result = decipherWith(key.second, bytes);
        if (result.text)
            found.push_back({key.first, std::move(result), ""});
    }
    if (found.empty())
        return false;
    for (Candidate& candidate : found)
        candidate.problem = luaProblem(candidate.result.plain, path);
    // Both keys giving text is next to impossible; Lua that compiles settles it if it happens.
    const auto best = std::min_element(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::make_tuple(!a.problem.empty(), !a.result.regularPad) <
               std::make_tuple(!b.problem.empty(), !b.result.regularPad);
    });
    out << path << ": enciphered with the " << best->key << " key, " << plural(bytes.size(), "byte", "bytes") << ", "
        << plural(best->result.plain.size(), "byte", "bytes") << " of text\n";
    if (best->problem.empty())
        out << "compiles as Lua\n";
    else
        out << "does not compile as Lua: " << best->problem << "\n";
    writeScript(best->result.plain, out);
    return true;
}

void inspectPlainLua(const std::string& path, const std::string& bytes, std::ostream& out)
{
    size_t bad = 0;
    if (!isText(bytes, &bad))
        throw BuildError(path, "neither text (byte " + std::to_string(bad) +
                                   " is not) nor a script enciphered with the script or save key");
    const std::string problem = luaProblem(bytes, path);
    if (!problem.empty())
        throw BuildError(path, "plain text that does not compile as Lua: " + problem);
    out << path << ": plain Lua (not enciphered), " << plural(bytes.size(), "byte", "bytes") << ", compiles\n";
    writeScript(bytes, out);
}

// --- images ------------------------------------------------------------------------

struct ImageKind
{
    int type;
    const char* name;
};

/// The image format from the file's first bytes, or for the formats without a mark of their
/// own from its name; type 0 when it is no image.
ImageKind imageKind(const std::string& path, const std::string& bytes)
{
    if (bytes.size() >= 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0)
        return {img::ImageReader::TYPE_PNG, "PNG"};
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xff\xd8\xff") == 0)
        return {img::ImageReader::TYPE_JPG, "JPEG"};
    const std::string ext = lowerExtension(path);
    if (ext == "png")
        return {img::ImageReader::TYPE_PNG, "PNG"};
    if (ext == "jpg" || ext == "jpeg")
        return {img::ImageReader::TYPE_JPG, "JPEG"};
    if (ext == "bmp")
        return {img::ImageReader::TYPE_BMP, "BMP"};
    if (ext == "tga")
        return {img::ImageReader::TYPE_TGA, "TGA"};
    if (ext == "pvr")
        return {img::ImageReader::TYPE_PVR, "PVR"};
    if (ext == "ntx")
        return {img::ImageReader::TYPE_NTX, "NTX"};
    return {0, ""};
}

std::string channels(const gr::PixelFormat& format)
{
    if (format.isPaletted())
        return "paletted";
    if (format.isCompressed())
        return "compressed";
    switch (format.type()) {
    case gr::PixelFormat::L8: return "1 channel (grey)";
    case gr::PixelFormat::A8L8: return "2 channels (grey, alpha)";
    case gr::PixelFormat::A8: return "1 channel (alpha)";
    default: break;
    }
    const int n = (format.redMask() != 0) + (format.greenMask() != 0) + (format.blueMask() != 0) + format.hasAlpha();
    return plural(size_t(n), "channel", "channels") + (format.hasAlpha() ? " (with alpha)" : "");
}

/// The PNG header's own words, which the engine's reader widens away.
std::string pngHeader(const std::string& bytes)
{
    if (bytes.size() < 33 || bytes.compare(12, 4, "IHDR") != 0)
        return "";
    const int depth = static_cast<uint8_t>(bytes[24]), colour = static_cast<uint8_t>(bytes[25]);
    const int interlace = static_cast<uint8_t>(bytes[28]);
    const char* name = colour == 0 ? "grey" : colour == 2 ? "RGB" : colour == 3 ? "palette" : colour == 4 ? "grey and alpha"
                       : colour == 6 ? "RGBA" : "unknown";
    return "bit depth " + std::to_string(depth) + ", colour type " + std::to_string(colour) + " (" + name + "), " +
           (interlace ? "interlaced" : "not interlaced");
}

/// What is wrong with the end of an image the decoder took in full: the decoders stop
/// reading once they have the pixels, and what follows them may be missing.
std::string damagedEnd(const std::string& bytes, int type)
{
    if (type == img::ImageReader::TYPE_PNG) {
        for (size_t at = 8; bytes.size() - at >= 12;) {
            const auto byte = [&](size_t k) { return uint32_t(static_cast<uint8_t>(bytes[at + k])); };
            const uint32_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
            const std::string id = bytes.substr(at + 4, 4);
            if (length > bytes.size() - at - 12)
                return "the file ends inside its " + shown(id) + " chunk";
            if (id == "IEND")
                return "";
            at += 12 + size_t(length);
        }
        return "the file ends before its IEND chunk";
    }
    if (type == img::ImageReader::TYPE_JPG && (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\xff\xd9") != 0))
        return "the file does not end with the JPEG end marker";
    return "";
}

void inspectImage(const std::string& path, const std::string& bytes, const ImageKind& kind, std::ostream& out)
{
    if (bytes.size() > INT_MAX)
        throw BuildError(path, "too large to read as an image");
    int width = 0, height = 0, mipLevels = 0, surfaces = 0;
    gr::PixelFormat format;
    try {
        io::ByteArrayInputStream in(bytes.data(), static_cast<int>(bytes.size()), path);
        img::ImageReader reader(&in, kind.type);
        width = reader.width();
        height = reader.height();
        mipLevels = reader.mipLevels();
        surfaces = reader.surfaceCount();
        format = reader.format();
        if (kind.type == img::ImageReader::TYPE_TGA || kind.type == img::ImageReader::TYPE_BMP) {
            // These read their pixels only when asked: read them all, a row at a time into
            // the same row, so that a file cut short is found without sizing anything by
            // the header.
            std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
            reader.readSurface(row.data(), 0, gr::PixelFormat::A8R8G8B8);
        }
    } catch (const lang::Throwable& e) {
        throw BuildError(path, std::string("not a readable ") + kind.name + " image: " + e.getMessage().str());
    }
    const std::string damage = damagedEnd(bytes, kind.type);
    if (!damage.empty())
        throw BuildError(path, std::string("a damaged ") + kind.name + " image: " + damage + " (cut short?)");
    out << path << ": " << kind.name << " image, " << width << " x " << height << "\n";
    Table table("ll");
    table.row({"width", std::to_string(width)});
    table.row({"height", std::to_string(height)});
    table.row({"pixels", std::string(format.name()) + ", " + std::to_string(format.bitsPerPixel()) +
                             " bits a pixel, " + channels(format)});
    if (kind.type == img::ImageReader::TYPE_PNG && !pngHeader(bytes).empty())
        table.row({"PNG header", pngHeader(bytes)});
    table.row({"mip levels", std::to_string(mipLevels)});
    if (surfaces != mipLevels)
        table.row({"surfaces", std::to_string(surfaces)});
    table.write(out, "  ");
}

/// Keeps the engine's own log lines (each exception it creates writes one) out of the
/// inspector's output while it runs.
class QuietLog
{
public:
    QuietLog() { m_previous = lang::setLogSink(&QuietLog::drop, nullptr, &m_previousUser); }
    ~QuietLog() { lang::setLogSink(m_previous, m_previousUser); }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

private:
    lang::LogSink m_previous = nullptr;
    void* m_previousUser = nullptr;

    static void drop(const char*, void*) {}
};

} // namespace

void inspectFile(const std::string& path, std::ostream& out)
{
    std::error_code error;
    if (!fs::exists(path, error))
        throw BuildError(path, "no such file");
    if (!fs::is_regular_file(path, error))
        throw BuildError(path, "not a file");
    const uintmax_t size = fs::file_size(path, error);
    if (error)
        throw BuildError(path, "cannot read: " + error.message());
    if (size > MAX_FILE_BYTES)
        throw BuildError(path, "too large (" + std::to_string(size) + " bytes) for any file the engine reads");
    const std::string bytes = readFileBytes(path);
    if (bytes.empty())
        throw BuildError(path, "empty file");

    QuietLog quiet;
    std::ostringstream text;
    const std::string name = fs::path(path).filename().string();
    const std::string ext = lowerExtension(path);
    if (bytes.compare(0, 4, "VOXA") == 0) {
        inspectChunkFile(path, bytes, text);
    } else if (name == "bundleIndex.idx") {
        inspectBundleIndex(path, bytes, text);
    } else if (const ImageKind kind = imageKind(path, bytes); kind.type != 0) {
        inspectImage(path, bytes, kind, text);
    } else if (ext == "lua") {
        if (!inspectEnciphered(path, bytes, text))
            inspectPlainLua(path, bytes, text);
    } else if (!inspectEnciphered(path, bytes, text)) {
        if (ext == "dat") {
            if (!inspectOlderLayout(path, bytes, text))
                throw BuildError(path, "not a chunk file (no VOXA header) and not a sprite sheet, font or texts in "
                                       "the older layout");
        } else {
            throw BuildError(path, "not a file pelterra-build can inspect: no chunk file, bundle index, image, "
                                   "or script or save enciphered with the game's keys");
        }
    }
    out << text.str();
}

} // namespace build
