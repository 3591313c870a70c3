// Developer mode of the scripts' side: failures kept for the error screen, and running
// again the files this session ran.

#include "game/GameLua.h"

#include "game/GameApp.h"
#include "game/Resources.h"
#include "game/ScriptFailure.h"
#include "game/ScriptFile.h"
#include "io/FileInputStream.h"
#include "lang/Debug.h"
#include "lang/ErrorBox.h"
#include "lua/LuaState.h"

#include <string>

using lang::String;

namespace game {

namespace {

String readAll(io::InputStream& in)
{
    std::string bytes(static_cast<size_t>(in.available()), '\0');
    const int count = bytes.empty() ? 0 : in.read(&bytes[0], static_cast<int>(bytes.size()));
    bytes.resize(static_cast<size_t>(count > 0 ? count : 0));
    return String(std::move(bytes));
}

} // namespace

void GameLua::noteRun(const String& file, const lua::LuaTable& table, bool data)
{
    if (!m_app->developerMode())
        return;
    RanScript ran;
    ran.table = table;
    ran.data = data;
    m_ranScripts.put(file, ran);
}

void GameLua::reportFailure(const lang::Throwable& failure)
{
    if (!m_app->developerMode()) {
        lang::showException(failure);
        return;
    }
    lang::log("%s\n", failure.getMessage().c_str());
    if (!m_failure)
        m_failure.reset(new ScriptFailure(describeFailure(failure.getMessage())));
}

bool GameLua::takeFailure(ScriptFailure* failure)
{
    if (!m_failure)
        return false;
    *failure = *m_failure;
    m_failure.reset();
    return true;
}

ScriptFailure GameLua::describeFailure(const String& text) const
{
    ScriptFailure failure = ScriptFailure::parse(text);
    const lua::LuaState::NativeFailure& native = state()->lastNativeFailure();
    if (!native.message.isEmpty() && text.startsWith(native.message)) {
        failure.native = native.native;
        if (failure.callStack.isEmpty()) {
            const ScriptFailure stack = ScriptFailure::parse(native.message + native.callStack);
            failure.callStack = stack.callStack;
            if (!stack.where.file.isEmpty())
                failure.where = stack.where;
        }
    }
    if (failure.where.file.isEmpty() || failure.where.line <= 0)
        return failure;
    // The interpreter cuts long paths to "..." and their end: the file is one it ran.
    String file = failure.where.file;
    if (file.startsWith("...")) {
        const String end = file.substring(3);
        for (auto it = m_ranScripts.begin(); it != m_ranScripts.end(); ++it)
            if (it.key().endsWith(end))
                file = it.key();
    }
    const String source = scriptSource(file);
    if (!source.isEmpty())
        failure.setSource(file, source, 5);
    return failure;
}

lang::Array<String> GameLua::scriptFiles() const
{
    lang::Array<String> files;
    for (auto it = m_ranScripts.begin(); it != m_ranScripts.end(); ++it)
        files.add(it.key());
    return files;
}

bool GameLua::rerunScript(const String& file)
{
    const RanScript* found = m_ranScripts.find(file);
    if (!found)
        return false;
    const RanScript ran = *found; // the run may note other files
    const String text = readScriptFile(file);
    if (ran.data)
        state()->runData(text, file, &ran.table);
    else
        state()->runString(text, file, &ran.table);
    return true;
}

String GameLua::scriptSource(const String& file) const
{
    try {
        io::FileInputStream in(file);
        const String bytes = readAll(in);
        String text;
        return decipherScript(m_scriptKey, bytes, &text) ? text : bytes;
    } catch (const lang::Throwable&) {
        return String();
    }
}

void GameLua::refreshSprites()
{
    for (auto it = m_physics->objects().begin(); it != m_physics->objects().end(); ++it) {
        RenderObjectData* object = it.value();
        object->sprite = object->spriteName.isEmpty() ? nullptr : m_resources->getSprite(object->spriteName);
    }
}

} // namespace game
