// Composite sprites: the chunk container with "COMP" bodies of versions 1 and 2, whose
// parts name sprites of loaded sheets. Names of an odd length are not loaded, so that both
// the found and the missing part are read.

#include "FuzzSupport.h"

#include "game/CompoSpriteSet.h"
#include "game/SpriteProvider.h"

namespace {

class Sprites : public game::SpriteProvider
{
public:
    explicit Sprites(gr::Context* context) : m_sheet(new game::SpriteSheet(context->loadImage("parts.png").ptr()))
    {
        m_sprite = m_sheet->addSprite("part", 1, 2, 16, 8, 4, 4);
    }
    game::Sprite* getSprite(const lang::String& name) override { return name.length() % 2 ? nullptr : m_sprite; }

private:
    lang::Ptr<game::SpriteSheet> m_sheet;
    game::Sprite* m_sprite;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    static fuzz::NullContext context;
    static Sprites sprites(&context);
    const std::string file = fuzz::Scratch::get().write("compo.dat", data, size);
    try {
        lang::Ptr<game::CompoSpriteSet> set = new game::CompoSpriteSet(&sprites, file.c_str());
        for (auto it = set->sprites().begin(); it != set->sprites().end(); ++it)
            it.value()->draw(&context, 10, 20, game::Anchor::BOTTOM, game::Anchor::RIGHT);
        context.flush();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
