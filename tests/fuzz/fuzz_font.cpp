// Bitmap fonts: the chunk container with a "FONT" body (or the older layout): the image's
// name, leading, tracking and the glyphs, then a text measured, filtered and drawn with them.

#include "FuzzSupport.h"

#include "game/BitmapFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    static fuzz::NullContext context;
    const std::string file = fuzz::Scratch::get().write("font.dat", data, size);
    try {
        lang::Ptr<game::BitmapFont> font = new game::BitmapFont(&context, file.c_str());
        const lang::String text = "Ab 0.9\xc3\xa4\xe6\xbc\xa2\xf0\x9f\x99\x82";
        font->getStringWidth(text, 0, game::IFont::ALL);
        font->filterString(text);
        font->drawString(&context, text, 5, 5, game::Anchor::VCENTER, game::Anchor::HCENTER);
        font->getHeight();
        context.flush();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
