// The game maker's reference of the scripts' names, docs/script-api.md, held to the engine:
// every function a script can reach has a heading there and every heading names one that
// exists; the callbacks it lists are the ones the engine calls, with as many arguments as
// their headings show; the tables the engine publishes are described; each example compiles.

#include "GameFixture.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kReference = DOCS_DIR "/script-api.md";

/// The functions the engine calls into the scripts, by name. Those answered from a worker
/// thread (a version server, the updater program) are called in test_updates.cpp, which
/// runs the server and the program they need; restartLevel, called after R on developer
/// mode's error screen, in test_developer.cpp; the others are called below.
const struct
{
    const char* name;
    bool calledHere;
} kCallbacks[] = {
    {"updateValues", true},       {"createStartUpAssets", true},
    {"update", true},             {"removeBlocks", true},
    {"blockCollision", true},     {"birdCollision", true},
    {"gamePaused", true},         {"gameResumed", true},
    {"resolutionChanged", true},  {"calculatePlaytime", true},
    {"latestVersionNumberReceived", false}, {"updateAvailable", false},
    {"restartLevel", false},
};

/// One heading of the reference with what follows it up to the next heading.
struct Entry
{
    std::string name;
    int arguments = -1; ///< how many the heading lists, optional ones included; -1 without parentheses
    int line = 0;
    std::vector<std::string> examples;
};

/// The reference read by its fixed heading form: "## " opens a section, "### NAME(ARGS)"
/// documents a function, "### NAME" a table or global.
struct Reference
{
    std::vector<Entry> functions; ///< outside the callbacks section
    std::vector<Entry> callbacks; ///< in "## Callbacks"
    std::vector<Entry> globals;   ///< in "## Tables and globals"
    std::vector<std::string> faults;

    static Reference read(const std::string& path)
    {
        Reference reference;
        std::ifstream in(path);
        if (!in) {
            reference.faults.push_back("cannot read " + path);
            return reference;
        }
        std::string section;
        Entry* open = nullptr;
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            if (line.rfind("## ", 0) == 0) {
                section = line.substr(3);
                open = nullptr;
            } else if (line.rfind("### ", 0) == 0) {
                open = reference.add(section, line.substr(4), number);
            } else if (line.rfind("Example: `", 0) == 0) {
                const size_t end = line.rfind('`');
                if (!open || end <= 9)
                    reference.faults.push_back(at(number) + "an example outside an entry");
                else
                    open->examples.push_back(line.substr(10, end - 10));
            }
        }
        return reference;
    }

    std::set<std::string> names(const std::vector<Entry>& entries) const
    {
        std::set<std::string> out;
        for (const Entry& entry : entries)
            out.insert(entry.name);
        return out;
    }

private:
    Entry* add(const std::string& section, const std::string& heading, int line)
    {
        Entry entry;
        entry.line = line;
        const size_t open = heading.find('(');
        entry.name = heading.substr(0, open);
        while (!entry.name.empty() && entry.name.back() == ' ')
            entry.name.pop_back();
        if (!wellFormed(entry.name)) {
            faults.push_back(at(line) + "heading \"" + heading + "\" does not start with a name");
            return nullptr;
        }
        if (open != std::string::npos) {
            const size_t close = heading.rfind(')');
            if (close == std::string::npos || close < open) {
                faults.push_back(at(line) + "heading \"" + heading + "\" has no closing parenthesis");
                return nullptr;
            }
            const std::string inside = heading.substr(open + 1, close - open - 1);
            entry.arguments = inside.find_first_not_of(" []") == std::string::npos
                                  ? 0
                                  : static_cast<int>(std::count(inside.begin(), inside.end(), ',')) + 1;
        }
        const bool isCallbacks = section.rfind("Callbacks", 0) == 0;
        const bool isGlobals = section.rfind("Tables and globals", 0) == 0;
        std::vector<Entry>& list = entry.arguments < 0 ? (isGlobals ? globals : functions)
                                                       : (isCallbacks ? callbacks : functions);
        if (entry.arguments < 0 && !isGlobals) {
            faults.push_back(at(line) + "\"" + heading + "\" is a function heading without an argument list");
            return nullptr;
        }
        for (const Entry& other : list)
            if (other.name == entry.name)
                faults.push_back(at(line) + entry.name + " has a second heading (first at line " +
                                 std::to_string(other.line) + ")");
        list.push_back(entry);
        return &list.back();
    }

    static std::string at(int line) { return "line " + std::to_string(line) + ": "; }

    static bool wellFormed(const std::string& name)
    {
        // NAME or TABLE.NAME, as a script writes it.
        if (name.empty() || name.front() == '.' || name.back() == '.' ||
            std::isdigit(static_cast<unsigned char>(name[0])))
            return false;
        return std::all_of(name.begin(), name.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; });
    }
};

/// "Missing: a, b" and "No longer there: c" lines for the two differences, or "".
std::string differences(const std::set<std::string>& wanted, const std::set<std::string>& documented,
                        const char* missingLabel, const char* extraLabel)
{
    std::string missing, extra;
    for (const std::string& name : wanted)
        if (!documented.count(name))
            missing += (missing.empty() ? "" : ", ") + name;
    for (const std::string& name : documented)
        if (!wanted.count(name))
            extra += (extra.empty() ? "" : ", ") + name;
    std::string out;
    if (!missing.empty())
        out += std::string(missingLabel) + ": " + missing + "\n";
    if (!extra.empty())
        out += std::string(extraLabel) + ": " + extra + "\n";
    return out;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

/// The names a fresh interpreter has as globals: the standard library and the bridge's own.
std::set<std::string> standardGlobals()
{
    lang::Ptr<lua::LuaState> plain = new lua::LuaState;
    std::set<std::string> names;
    plain->globals().forEach([&](const lua::LuaEntry& entry) {
        if (entry.keyType == lua::LuaState::TYPE_STRING)
            names.insert(entry.key.str());
    });
    return names;
}

// Runs in the scripts' global table: lists every function a script reaches by name from its
// globals, at the top level and one table down, skipping what a fresh interpreter has. The
// game's globals are the environment's own fields; the interpreter's table is reached
// through _G. Non-function globals go into __published.
const char* const kWalk = R"(
local env = getfenv(1)
local interpreter = rawget(env, '_G')
local found, seen, published = {}, {}, {}
local function add(list, name)
  if not seen[name] then seen[name] = true list[#list + 1] = name end
end
local function walk(t, skip)
  for k, v in pairs(t) do
    if type(k) == 'string' and not skip[k] and k:sub(1, 2) ~= '__' then
      if type(v) == 'function' then
        add(found, k)
      else
        add(published, k)
        if type(v) == 'table' and v ~= env and v ~= interpreter then
          for name, f in pairs(v) do
            if type(name) == 'string' and type(f) == 'function' then add(found, k .. '.' .. name) end
          end
        end
      end
    end
  end
end
walk(env, {})
walk(interpreter, __standard)
__reachable, __published = found, published
)";

class ScriptApi : public GameTest
{
protected:
    Reference reference = Reference::read(kReference);

    std::set<std::string> listOf(const char* global)
    {
        std::set<std::string> names;
        lua::LuaTable list = world().getTable(global);
        for (int i = 1; list.isString(i); ++i)
            names.insert(list.getString(i).str());
        return names;
    }

    /// Walks the scripts' globals; the reachable functions and the published values.
    void walk(std::set<std::string>* functions, std::set<std::string>* published)
    {
        lua::LuaTable standard(app->luaState());
        for (const std::string& name : standardGlobals())
            standard.setBoolean(name.c_str(), true);
        world().setTable(lang::String("__standard"), &standard);
        run(kWalk);
        *functions = listOf("__reachable");
        *published = listOf("__published");
    }

    const Entry* callback(const std::string& name) const
    {
        for (const Entry& entry : reference.callbacks)
            if (entry.name == name)
                return &entry;
        return nullptr;
    }
};

} // namespace

TEST_F(ScriptApi, TheReferenceIsReadableByItsHeadingForm)
{
    EXPECT_TRUE(reference.faults.empty()) << joined(reference.faults);
    // A reference that lost its sections would pass the comparisons below vacuously.
    EXPECT_GT(reference.functions.size(), 100u);
    EXPECT_GE(reference.callbacks.size(), 10u);
    EXPECT_GE(reference.globals.size(), 20u);
}

TEST_F(ScriptApi, EveryReachableFunctionHasAHeadingAndEveryHeadingExists)
{
    start();
    std::set<std::string> functions, published;
    walk(&functions, &published);
    // The walk itself must see the three places natives live.
    ASSERT_TRUE(functions.count("createBox") && functions.count("res.drawSprite") &&
                functions.count("particles.addParticles"));
    const std::string report = differences(functions, reference.names(reference.functions),
                                           "Reachable from the scripts but without a heading",
                                           "Under a heading but not reachable from the scripts");
    EXPECT_TRUE(report.empty()) << kReference << " and the engine differ:\n" << report;
}

TEST_F(ScriptApi, EveryPublishedGlobalIsDescribed)
{
    start();
    run("setPhysicsEnabled(true)");
    frame(0.05f); // the per-frame globals: touches, touchcount, the motion flags
    std::set<std::string> functions, published;
    walk(&functions, &published);
    ASSERT_TRUE(published.count("objects") && published.count("res") && published.count("touchcount"));
    std::set<std::string> documented = reference.names(reference.globals);
    std::string missing;
    for (const std::string& name : published)
        if (!documented.count(name))
            missing += (missing.empty() ? "" : ", ") + name;
    EXPECT_TRUE(missing.empty()) << "Published to the scripts but without a heading under \"## Tables and globals\" in "
                                 << kReference << ": " << missing;
}

TEST_F(ScriptApi, TheCallbacksSectionListsWhatTheEngineCalls)
{
    std::set<std::string> engine;
    for (const auto& c : kCallbacks)
        engine.insert(c.name);
    const std::string report = differences(engine, reference.names(reference.callbacks),
                                           "Called by the engine but not documented",
                                           "Documented but not called by the engine");
    EXPECT_TRUE(report.empty()) << "The \"## Callbacks\" section of " << kReference << " and the engine differ:\n"
                                << report;
}

TEST_F(ScriptApi, TheEngineCallsEachCallbackWithTheDocumentedArguments)
{
    // Each callback records how many arguments it got; calculatePlaytime, called as the
    // game shuts down, records into the settings, which are saved after it.
    std::string gamelogic =
        "__called = {}\n"
        "local env = getfenv(1)\n"
        "for _, name in ipairs({";
    for (const auto& c : kCallbacks)
        if (c.calledHere && std::string(c.name) != "calculatePlaytime")
            gamelogic += std::string("'") + c.name + "', ";
    gamelogic += "}) do\n"
                 "  env[name] = function(...) __called[name] = select('#', ...) end\n"
                 "end\n"
                 "function calculatePlaytime(...) settings.calledBack = select('#', ...) end\n"
                 "objects.world = {} deadBlocks = {} scoreTable = { blocks = { score = 0 } }\n";
    start(gamelogic);
    // A block and a bird falling onto the ground: a block collision, a bird collision and
    // physics steps.
    run("createBox('ground', '', 0, 5, 40, 1, 0, 0.5, 0, true, false, 0)"
        "createBox('crate', '', 0, 3, 1, 1, 1, 0.5, 0, true, false, 0)"
        "createCircle('bird', '', 5, 3, 0.5, 1, 0.5, 0, true, 0)"
        "setPhysicsEnabled(true)");
    for (int i = 0; i < 45; ++i)
        frame(1.0f / 30);
    app->activate(false);
    app->activate(true);
    app->resized();

    std::string report;
    {
        // The handle goes before its interpreter.
        lua::LuaTable called = world().getTable("__called");
        for (const auto& c : kCallbacks) {
            if (!c.calledHere || std::string(c.name) == "calculatePlaytime")
                continue;
            const Entry* entry = callback(c.name);
            if (!called.isNumber(c.name))
                report += std::string(c.name) + " was not called\n";
            else if (entry && static_cast<int>(called.getNumber(c.name)) != entry->arguments)
                report += std::string(c.name) + " got " + std::to_string(static_cast<int>(called.getNumber(c.name))) +
                          " arguments, its heading lists " + std::to_string(entry->arguments) + "\n";
        }
    }
    delete app;
    app = nullptr;
    const std::string saved = appData.read("settings.lua");
    lang::String settings;
    lang::BlockCipher::decipher(game::saveKey(), saved.data(), static_cast<int>(saved.size()), &settings);
    const Entry* playtime = callback("calculatePlaytime");
    const std::string expected = "calledBack = " + std::to_string(playtime ? playtime->arguments : 0) + "\n";
    if (settings.str().find(expected) == std::string::npos)
        report += "calculatePlaytime was not called at shut-down with its heading's arguments: " + settings.str() +
                  "\n";
    EXPECT_TRUE(report.empty()) << report;
}

TEST_F(ScriptApi, EveryEntryHasOneExampleThatCompiles)
{
    lang::Ptr<lua::LuaState> lua = new lua::LuaState;
    std::string report;
    for (const std::vector<Entry>* list : {&reference.functions, &reference.callbacks}) {
        for (const Entry& entry : *list) {
            if (entry.examples.size() != 1) {
                report += entry.name + " (line " + std::to_string(entry.line) + ") has " +
                          std::to_string(entry.examples.size()) + " examples, not 1\n";
                continue;
            }
            try {
                lua->checkSyntax(lang::String(entry.examples[0]), lang::String(entry.name));
            } catch (const lang::Throwable& e) {
                report += e.getMessage().str() + "\n";
            }
        }
    }
    EXPECT_TRUE(report.empty()) << kReference << ":\n" << report;
}
