// Linked into every executable of the sanitizer builds (see the top-level CMakeLists.txt).
//
// The leak check runs at exit, after SDL and the GL driver stack have unloaded the
// libraries they loaded at run time. An allocation those libraries leaked then comes from
// an "<unknown module>" that no suppression in tests/lsan.supp can name, and the check
// fails. With no library ever unloaded, every such frame keeps its library's name; frames of
// our own code are named and reported as before.

extern "C" int dlclose(void*)
{
    return 0;
}
