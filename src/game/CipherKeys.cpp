#include "game/CipherKeys.h"

namespace game {

namespace {

// Letters and digits chosen at random once for this game.
const char kSaveKey[] = "M3I7g0y7I62dtXGT9G3pEfB8bdWpxhDW";
const char kScriptKey[] = "ohuXroT2UU274jmqymLzUYtRcFm0Msm1";

} // namespace

const uint8_t* scriptKey()
{
    return reinterpret_cast<const uint8_t*>(kScriptKey);
}

const uint8_t* saveKey()
{
    return reinterpret_cast<const uint8_t*>(kSaveKey);
}

} // namespace game
