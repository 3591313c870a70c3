#pragma once

namespace framework {

/// The 89 key codes: the index into App::keyDown and the script key tables.
enum Key {
    KEY_NONE = 0,
    KEY_A = 1, // KEY_A + n is the (n+1)-th letter, up to KEY_Z = 26
    KEY_Z = 26,
    KEY_PAGEDOWN = 27, KEY_PAGEUP, KEY_HOME, KEY_END, KEY_INSERT, KEY_DELETE,
    KEY_RETURN = 33, KEY_SHIFT, KEY_CONTROL, KEY_TAB, KEY_SPACE, KEY_BACKSPACE, KEY_PAUSE, KEY_ESCAPE,
    KEY_F1 = 41, // up to KEY_F12 = 52
    KEY_F12 = 52,
    KEY_LEFT = 53, KEY_RIGHT, KEY_UP, KEY_DOWN,
    KEY_LBUTTON = 57, KEY_MBUTTON, KEY_RBUTTON,
    KEY_0 = 60, // up to KEY_9 = 69
    KEY_9 = 69,
    KEY_MULTIPLY = 70, KEY_ADD, KEY_SUBTRACT, KEY_DIVIDE,
    KEY_LEFTSOFT = 74, KEY_RIGHTSOFT, KEY_MIDDLE, KEY_ASTERISK, KEY_HASH, KEY_CLEAR, KEY_EDIT, KEY_SEND,
    KEY_VOLUME_UP = 82, KEY_VOLUME_DOWN, KEY_GAMING_A, KEY_GAMING_B, KEY_BACK, KEY_MENU,
    KEY_ALT = 88,
    KEY_COUNT = 89
};

/// The name of a key code as the scripts see it ("LBUTTON"), or "" outside 0..88.
const char* keyName(int code);
/// All 89 names in code order.
const char* const* keyNames();

} // namespace framework
