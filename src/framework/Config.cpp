#include "framework/Config.h"

#include "gr/Context.h"
#include "io/FileInputStream.h"
#include "io/PathName.h"
#include "lang/Ptr.h"
#include "lua/LuaState.h"

namespace framework {

namespace {

/// A string key also takes a number, turned into text.
void readString(const lua::LuaTable& table, const char* key, lang::String& field)
{
    if (table.isString(key))
        field = table.getString(key);
}

/// A number key also takes a numeric string; the fraction is dropped.
void readInt(const lua::LuaTable& table, const char* key, int& field)
{
    if (table.isNumber(key))
        field = static_cast<int>(table.getNumber(key));
}

void readBool(const lua::LuaTable& table, const char* key, bool& field)
{
    if (table.isBoolean(key))
        field = table.getBoolean(key);
}

} // namespace

Config& Config::current()
{
    static Config config;
    return config;
}

void Config::read(const lang::String& path, const lang::String& resourcePath)
{
    lang::Ptr<lua::LuaState> state = new lua::LuaState;
    lua::LuaTable env(state.ptr());
    {
        io::FileInputStream in(io::PathName(path).fullPath());
        std::string text(static_cast<size_t>(in.available()), '\0');
        const int count = text.empty() ? 0 : in.read(&text[0], static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(count > 0 ? count : 0));
        // A configuration that loops must end the start with its error, not hang it.
        state->runData(lang::String(std::move(text)), in.toString(), &env);
    }

    if (env.isString("datapath"))
        dataPath = resourcePath + env.getString("datapath");
    readString(env, "name", name);
    readInt(env, "width", width);
    readInt(env, "height", height);
    readInt(env, "framerate", frameRate);
    readBool(env, "fullscreen", fullScreen);
    readBool(env, "showCursor", showCursor);
    if (env.isNumber("orientation")) {
        const int degrees = static_cast<int>(env.getNumber("orientation"));
        orientation = degrees == 90 ? 1 : degrees == 180 ? 2 : degrees == 270 ? 3 : 0;
    }
    readString(env, "imagePath", imagePath);
    readString(env, "fontPath", fontPath);
    readString(env, "audioPath", audioPath);
    readString(env, "localizationPath", localizationPath);
    readString(env, "levelPath", levelPath);
    readString(env, "scriptPath", scriptPath);
    readString(env, "deviceModel", deviceModel);
    readBool(env, "isBetaVersion", isBetaVersion);
    readString(env, "product", product);
    readString(env, "publisher", publisher);
    readBool(env, "singleton", singleton);
    readString(env, "versionCheckUrl", versionCheckUrl);
    readBool(env, "developer", developer);
    if (env.isTable("renderer")) {
        lua::LuaTable list = env.getTable("renderer");
        for (int i = 1; list.isString(i); ++i) {
            const lang::String wanted = list.getString(i);
            for (int kind = 0; kind < gr::Context::KIND_COUNT; ++kind)
                if (wanted == gr::Context::rendererShortName(kind))
                    renderers.add(kind);
        }
    }
    if (env.isTable("preload")) {
        lua::LuaTable list = env.getTable("preload");
        for (int i = 1; list.isString(i); ++i)
            preload.add(list.getString(i));
    }
    env = lua::LuaTable(); // handles go before their interpreter
}

} // namespace framework
