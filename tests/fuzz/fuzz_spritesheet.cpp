// Sprite sheets: the chunk container with a "SPRT" body (or the older layout): the image's
// name and the named rectangles, each then drawn once.

#include "FuzzSupport.h"

#include "game/SpriteSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    static fuzz::NullContext context;
    const std::string file = fuzz::Scratch::get().write("sheet.dat", data, size);
    try {
        lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(&context, file.c_str());
        for (auto it = sheet->sprites().begin(); it != sheet->sprites().end(); ++it)
            it.value()->draw(&context, 10, 20, game::Anchor::VCENTER, game::Anchor::HCENTER);
        context.flush();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
