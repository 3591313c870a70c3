// The saved settings: deciphered with the save key when the length allows, run as a data
// chunk into a table of its own, then written back and enciphered as the game does at exit.

#include "LuaHarness.h"

#include "game/CipherKeys.h"
#include "io/ByteArrayOutputStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::quiet();
    const lang::String bytes = fuzz::fileBytes(data, size, game::saveKey());
    lang::Ptr<lua::LuaState> state = fuzz::sandboxedState();
    try {
        lua::LuaTable settings(state.ptr());
        lang::String text = bytes;
        if (bytes.length() > 0 && bytes.length() % 16 == 0)
            lang::BlockCipher::decipher(game::saveKey(), bytes.c_str(), bytes.length(), &text);
        state->runData(text, "settings.lua", &settings, fuzz::DATA_BUDGET);
        io::ByteArrayOutputStream out;
        settings.write(&out, 0, false);
        lang::BlockCipher::encipher(game::saveKey(), out.data(), out.size());
    } catch (const lang::Throwable&) {
    }
    return 0;
}
