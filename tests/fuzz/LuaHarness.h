#pragma once

// Running a data file as the game does: deciphered, then run as a data chunk under the
// script bridge's instruction budget.

#include "FuzzSupport.h"

#include "lang/BlockCipher.h"
#include "lua/LuaState.h"
#include "lua/LuaTable.h"

#include <string>

namespace fuzz {

/// The budget of a data chunk here: the bridge's own mechanism, with fewer instructions
/// than a game allows (LuaState::DATA_BUDGET) so that an endless loop costs a fuzzer
/// milliseconds rather than seconds.
const long DATA_BUDGET = 1000000;

/// A fresh interpreter for each input, so that no input changes what the next one meets,
/// without the functions that reach the machine: an input that names them would otherwise
/// run commands, remove files or end the fuzzer.
inline lang::Ptr<lua::LuaState> sandboxedState()
{
    lang::Ptr<lua::LuaState> state = new lua::LuaState;
    state->runString("os.execute, os.exit, os.remove, os.rename, os.tmpname, os.getenv = nil\n"
                     "io, dofile, loadfile, require, module, package = nil\n",
                     "sandbox");
    return state;
}

/// The input without its first byte; enciphered with key when the first byte is odd, as the
/// game's tools write the file, so that the fuzzer reaches the text behind the cipher too.
inline std::string fileBytes(const uint8_t* data, size_t size, const uint8_t* key)
{
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        return lang::BlockCipher::encipher(key, bytes.data(), static_cast<int>(bytes.size())).str();
    return bytes;
}

} // namespace fuzz
