// Level files and script files: loading, saving and the file natives.

#include "game/GameLua.h"

#include "game/Particles.h"

#include "io/AppDataOutputStream.h"
#include "io/ByteArrayOutputStream.h"
#include "io/FileInputStream.h"
#include "io/FileOutputStream.h"
#include "lang/BlockCipher.h"
#include "lang/Debug.h"
#include "lang/ErrorBox.h"
#include "lua/LuaState.h"
#include "lua/NativeCall.h"
#include "pf/FileSystem.h"

using lang::String;

namespace game {

void GameLua::loadLevel(String levelName)
{
    for (int& handle : m_rollingHandles)
        handle = -1;
    m_physics->beginLevel();
    m_physics->setLoading(true);
    try {
        lang::log("Loading blocks...\n");
        const String scriptPath = getString("scriptPath");
        loadIntoGlobalTable("blockTable", scriptPath + "/blocks.lua");
        loadIntoGlobalTable("particleTable", scriptPath + "/particles.lua");
        m_worldTable = m_objects.getTable("world");
        m_deadBlocks = getTable("deadBlocks");
        m_blockTable = getTable("blockTable");
        World::setMaxTranslation(2.0f);
        lang::log("Removing physics objects...\n");
        m_physics->clear();
        m_particles->reset(0.5f, 500, 1000);
        clearTrajectories();
        lang::log("Loading level from file...\n");
        // Players trade levels: a level file is data, and reaches nothing of the game.
        lua::LuaTable level = loadDataFile(levelName + ".lua", FOREIGN_FILE);
        setTable(String("loadedObjects"), &level);
        m_currentLevel = levelName;
    } catch (const lang::Throwable&) {
        lang::log("Unable to load level.\n");
        m_currentLevel = String();
    }
    m_physics->setLoading(false);
}

void GameLua::saveLevel(String levelName)
{
    lua::LuaTable level(state());
    lua::LuaTable& objects = m_objects;
    if (objects.isString("theme"))
        level.setString("theme", objects.getString("theme"));
    for (const char* key : {"birdCameraData", "castleCameraData", "joints", "counts"})
        if (objects.isTable(key)) {
            lua::LuaTable table = objects.getTable(key);
            level.setTable(key, &table);
        }
    if (objects.isNumber("physicsToWorld"))
        level.setNumber("physicsToWorld", objects.getNumber("physicsToWorld"));
    if (objects.isBoolean("doNotWaitForMovingObjects"))
        level.setBoolean("doNotWaitForMovingObjects", objects.getBoolean("doNotWaitForMovingObjects"));

    // One entry per string-keyed table of objects.world, in table order.
    lua::LuaTable world(state());
    if (objects.isTable("world")) {
        objects.getTable("world").forEach([&](const lua::LuaEntry& found) {
            if (found.keyType != lua::LuaState::TYPE_STRING || found.valueType != lua::LuaState::TYPE_TABLE)
                return;
            const lua::LuaTable& source = found.table;
            lua::LuaTable entry(state());
            entry.setNumber("angle", source.getNumber("angle"));
            entry.setNumber("x", source.getNumber("x"));
            entry.setNumber("y", source.getNumber("y"));
            entry.setString("name", source.getString("name"));
            entry.setString("definition", source.getString("definition"));
            for (const char* key : {"owner", "startNumber"})
                if (source.isNumber(key))
                    entry.setNumber(key, source.getNumber(key));
            world.setTable(found.key, &entry);
        });
    }
    level.setTable(String("world"), &world);

    io::FileOutputStream out(resolve(levelName + ".lua"));
    level.write(&out, 0, false);
    out.close();
}

void GameLua::saveLuaFile(String globalName, String fileName, bool toApplicationData)
{
    const bool present = isTable(globalName.c_str());
    if (toApplicationData) {
        // The file is made even when there is nothing to write: the next start reads an
        // empty table.
        io::AppDataOutputStream out(fileName);
        if (present) {
            io::ByteArrayOutputStream text;
            getTable(globalName).write(&text, 0, false);
            String cipher = lang::BlockCipher::encipher(m_saveKey, text.data(), text.size());
            out.write(cipher.c_str(), cipher.length());
        }
        out.close();
    } else {
        io::FileOutputStream out(resolve(fileName));
        if (present)
            getTable(globalName).write(&out, 0, false);
        out.close();
    }
}

int GameLua::loadLuaFileToObject(lua::NativeCall& call)
{
    const String path = call.getString(1);
    lua::LuaTable target = call.getTable(2);
    const String key = call.getString(3);
    try {
        lua::LuaTable table = loadDataFile(path);
        target.setTable(key, &table);
    } catch (const lang::Throwable& e) {
        lang::log("Unable to load lua file %s\n", resolve(path).c_str());
        reportFailure(e);
    }
    return 0;
}

bool GameLua::checkForLuaFile(String path)
{
    try {
        io::FileInputStream in(resolve(path));
        return true;
    } catch (const lang::Throwable&) {
        return false;
    }
}

void GameLua::createDirectory(String path)
{
    pf::FileSystem::createDirectory(resolve(path)); // an existing directory or a missing parent is not reported
}

bool GameLua::checkDirectory(String path)
{
    return pf::FileSystem::exists(path);
}

} // namespace game
