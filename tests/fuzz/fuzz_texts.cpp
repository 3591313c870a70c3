// Text files: the chunk container with the language list, the ids and one group of texts per
// language (or the older layout), read as a game reads them: the list first, then one
// language at a time and all of them at once.

#include "FuzzSupport.h"

#include "game/TextGroupSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const std::string file = fuzz::Scratch::get().write("texts.dat", data, size);
    try {
        lang::Ptr<game::TextGroupSet> set = new game::TextGroupSet(file.c_str());
        const lang::Array<lang::String> languages = set->languages();
        // Each load reads the file again: a few languages show every path.
        for (int i = 0; i < languages.size() && i < 4; ++i)
            if (lang::Ptr<game::TextGroup> group = set->load(languages[i]))
                group->get("MISSING_ID");
        set->load("ALL");
        set->release("ALL");
    } catch (const lang::Throwable&) {
    }
    return 0;
}
