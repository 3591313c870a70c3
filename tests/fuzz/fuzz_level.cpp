// Levels: told enciphered from plain by the script key (plain runs as in developer mode),
// then run as a data chunk into a table that reads only the data globals, as a level loads.

#include "LuaHarness.h"

#include "game/CipherKeys.h"
#include "game/ScriptFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::quiet();
    const lang::String bytes = fuzz::fileBytes(data, size, game::scriptKey());
    lang::Ptr<lua::LuaState> state = fuzz::sandboxedState();
    try {
        lang::String text;
        if (!game::decipherScript(game::scriptKey(), bytes, &text))
            text = bytes;
        lua::LuaTable level(state.ptr());
        level.inheritFrom(state->dataGlobals());
        state->runData(text, "levels/level1.lua", &level, fuzz::DATA_BUDGET);
        level.count();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
