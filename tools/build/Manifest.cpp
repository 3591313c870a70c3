#include "Manifest.h"

#include "BuildError.h"
#include "Image.h"
#include "lang/Ptr.h"
#include "lang/Throwable.h"
#include "lua/LuaState.h"
#include "lua/LuaTable.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <regex>
#include <set>
#include <sstream>

namespace build {

int lineOf(const std::string& text, const std::string& needle, int after)
{
    int line = 1;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (line > after && text.substr(start, end - start).find(needle) != std::string::npos)
            return line;
        start = end + 1;
        ++line;
    }
    return 0;
}

int lineOfValue(const Manifest& manifest, const std::string& value)
{
    const int line = lineOf(manifest.text, "\"" + value + "\"");
    return line ? line : lineOf(manifest.text, "'" + value + "'");
}

namespace {

/// Reads one table of the manifest, naming the setting and its line in every complaint.
class Reader
{
public:
    Reader(const Manifest& manifest, const std::string& text, const lua::LuaTable& table, std::string where, int line)
        : m_manifest(manifest), m_text(text), m_table(table), m_where(std::move(where)), m_line(line)
    {
    }

    /// Fails on a key that is not one of the known ones: a misspelt setting would
    /// otherwise be ignored without a word.
    void onlyKeys(std::initializer_list<const char*> known) const
    {
        std::set<std::string> names(known.begin(), known.end());
        m_table.forEach([&](const lua::LuaEntry& entry) {
            if (entry.keyType != lua::LuaState::TYPE_STRING)
                fail(m_line, m_where + " holds a value without a name");
            const std::string key = entry.key.c_str();
            if (!names.count(key)) {
                std::string list;
                for (const std::string& name : names)
                    list += (list.empty() ? "" : ", ") + name;
                fail(lineOfKey(key), "unknown setting \"" + key + "\"" + (m_where.empty() ? "" : " in " + m_where) +
                                         "; known ones: " + list);
            }
        });
    }

    bool has(const char* key) const { return !m_table.isValid() ? false : hasValue(key); }

    std::string string(const char* key, const std::string& fallback = "") const
    {
        if (!has(key))
            return fallback;
        if (!m_table.isString(key))
            fail(lineOfKey(key), std::string("\"") + key + "\" must be a text");
        return m_table.getString(key).c_str();
    }

    int integer(const char* key, int fallback, int low, int high) const
    {
        if (!has(key))
            return fallback;
        if (!m_table.isNumber(key))
            fail(lineOfKey(key), std::string("\"") + key + "\" must be a number");
        const float value = m_table.getNumber(key);
        if (value != std::floor(value) || value < low || value > high) {
            fail(lineOfKey(key), std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) +
                                     " to " + std::to_string(high));
        }
        return static_cast<int>(value);
    }

    bool boolean(const char* key, bool fallback) const
    {
        if (!has(key))
            return fallback;
        if (!m_table.isBoolean(key))
            fail(lineOfKey(key), std::string("\"") + key + "\" must be true or false");
        return m_table.getBoolean(key);
    }

    /// A list of texts; one text alone is a list of one.
    std::vector<std::string> strings(const char* key) const
    {
        std::vector<std::string> list;
        if (!has(key))
            return list;
        if (m_table.isString(key))
            return {m_table.getString(key).c_str()};
        if (!m_table.isTable(key))
            fail(lineOfKey(key), std::string("\"") + key + "\" must be a text or a list of texts");
        lua::LuaTable items = m_table.getTable(key);
        for (int i = 1; i <= items.count(); ++i) {
            if (!items.isString(i))
                fail(lineOfKey(key), std::string("\"") + key + "\" must be a list of texts");
            list.push_back(items.getString(i).c_str());
        }
        return list;
    }

    /// Each table of a list of tables, with the line where it starts.
    void tables(const char* key, const std::function<void(const Reader&)>& visit) const
    {
        if (!has(key))
            return;
        if (!m_table.isTable(key))
            fail(lineOfKey(key), std::string("\"") + key + "\" must be a list of { ... } entries");
        lua::LuaTable items = m_table.getTable(key);
        const int line = lineOfKey(key);
        for (int i = 1; i <= items.count(); ++i) {
            if (!items.isTable(i))
                fail(line, std::string("\"") + key + "\" must be a list of { ... } entries");
            lua::LuaTable item = items.getTable(i);
            // An entry is found by its name, which the builder needs unique anyway.
            int entryLine = line;
            if (item.isString("name")) {
                const std::string name = item.getString("name").c_str();
                const int quoted = lineOf(m_text, "\"" + name + "\"", line - 1);
                entryLine = std::max(line, quoted ? quoted : lineOf(m_text, "'" + name + "'", line - 1));
            }
            visit(Reader(m_manifest, m_text, item, std::string(key) + " entry " + std::to_string(i), entryLine));
        }
    }

    int line() const { return m_line; }
    [[noreturn]] void fail(int line, const std::string& text) const { throw BuildError(m_manifest.file, line, text); }

    /// The line of "key =" at or after this table's own line.
    int lineOfKey(const std::string& key) const
    {
        std::istringstream in(m_text);
        const std::regex pattern("(^|[^A-Za-z0-9_])" + key + "\\s*=");
        int number = 0;
        for (std::string text; std::getline(in, text);) {
            if (++number >= m_line && std::regex_search(text, pattern))
                return number;
        }
        return m_line;
    }

private:
    bool hasValue(const char* key) const
    {
        return m_table.isString(key) || m_table.isNumber(key) || m_table.isBoolean(key) || m_table.isTable(key);
    }

    const Manifest& m_manifest;
    const std::string& m_text;
    lua::LuaTable m_table;
    std::string m_where;
    int m_line;
};

std::string under(const Manifest& manifest, const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    return manifest.folder + "/" + path;
}

} // namespace

Manifest readManifest(const std::string& folder)
{
    Manifest manifest;
    manifest.folder = folder;
    while (manifest.folder.size() > 1 && manifest.folder.back() == '/')
        manifest.folder.pop_back();
    manifest.file = manifest.folder + "/game.lua";
    manifest.text = readFileBytes(manifest.file);
    const std::string& text = manifest.text;

    lang::Ptr<lua::LuaState> lua = new lua::LuaState;
    lua::LuaTable table(lua.ptr());
    try {
        lua->runData(text.c_str(), manifest.file.c_str(), &table);
    } catch (const lang::Throwable& e) {
        // The interpreter's message already reads "FILE:LINE: what".
        std::string message = e.getMessage().c_str();
        const std::string prefix = "Error while compiling Lua: ";
        if (message.rfind(prefix, 0) == 0)
            message = message.substr(prefix.size());
        throw BuildError("", message);
    }

    const Reader top(manifest, text, table, "", 1);
    top.onlyKeys({"name", "config", "scripts", "files", "atlases", "fonts", "texts", "composites", "effects", "bundle"});
    manifest.name = top.string("name", "Pelterra game");
    if (top.has("config"))
        manifest.config = under(manifest, top.string("config"));
    for (const std::string& path : top.strings("scripts"))
        manifest.scripts.push_back(path);
    for (const std::string& path : top.strings("files"))
        manifest.files.push_back(path);
    manifest.effects = top.boolean("effects", true);
    manifest.bundle = top.boolean("bundle", false);

    top.tables("atlases", [&](const Reader& entry) {
        entry.onlyKeys({"name", "images", "pivots", "maxSize", "padding", "extrude", "powerOfTwo", "trim"});
        AtlasSpec atlas;
        atlas.name = entry.string("name");
        if (atlas.name.empty())
            entry.fail(entry.line(), "an atlas needs a name (its output path without extension)");
        atlas.origin = {manifest.file, entry.line()};
        atlas.imagesDir = under(manifest, entry.string("images", atlas.name));
        if (entry.has("pivots"))
            atlas.pivotsFile = under(manifest, entry.string("pivots"));
        atlas.maxSize = entry.integer("maxSize", atlas.maxSize, 16, 16384);
        atlas.padding = entry.integer("padding", atlas.padding, 0, 64);
        atlas.extrude = entry.integer("extrude", atlas.extrude, 0, 64);
        atlas.powerOfTwo = entry.boolean("powerOfTwo", atlas.powerOfTwo);
        atlas.trim = entry.boolean("trim", atlas.trim);
        manifest.atlases.push_back(atlas);
    });
    top.tables("fonts", [&](const Reader& entry) {
        entry.onlyKeys({"name", "file", "size", "characters", "texts", "tracking", "outline", "shadowX", "shadowY",
                        "padding", "maxSize"});
        FontEntry font;
        font.spec.name = entry.string("name");
        if (font.spec.name.empty())
            entry.fail(entry.line(), "a font needs a name (its output path without extension)");
        if (!entry.has("file"))
            entry.fail(entry.line(), "a font needs the TrueType or OpenType \"file\" it is made from");
        font.spec.origin = {manifest.file, entry.line()};
        font.spec.fontFile = under(manifest, entry.string("file"));
        font.spec.size = entry.integer("size", font.spec.size, 4, 512);
        font.characters = entry.string("characters", "32-126");
        font.fromTexts = entry.boolean("texts", false);
        font.spec.tracking = entry.integer("tracking", 0, -100, 100);
        font.spec.outline = entry.integer("outline", 0, 0, 32);
        font.spec.shadowX = entry.integer("shadowX", 0, -32, 32);
        font.spec.shadowY = entry.integer("shadowY", 0, -32, 32);
        font.spec.padding = entry.integer("padding", font.spec.padding, 0, 64);
        font.spec.maxSize = entry.integer("maxSize", font.spec.maxSize, 16, 16384);
        manifest.fonts.push_back(font);
    });
    auto sources = [&](const char* key, std::vector<SourceFile>* list) {
        top.tables(key, [&](const Reader& entry) {
            entry.onlyKeys({"name", "file"});
            SourceFile source;
            source.name = entry.string("name");
            if (source.name.empty() || !entry.has("file"))
                entry.fail(entry.line(), "an entry needs a \"name\" (its output path) and the source \"file\"");
            source.file = under(manifest, entry.string("file"));
            source.origin = {manifest.file, entry.line()};
            list->push_back(source);
        });
    };
    sources("texts", &manifest.texts);
    sources("composites", &manifest.composites);
    return manifest;
}

} // namespace build
