#include "game/HotReload.h"

#include "game/GameLua.h"
#include "game/Resources.h"
#include "io/PathName.h"
#include "lang/Debug.h"
#include "pf/FileWatcher.h"

#include <filesystem>
#include <system_error>

using lang::String;

namespace game {

namespace {

// An editor may write a file in steps (truncate, write, write); reading it between them
// would run half a script. The whole budget from the save to the reload is half a second.
const int QUIET_MILLISECONDS = 100;

} // namespace

HotReload::HotReload(GameLua* world, Resources* resources, const String& dataPath)
    : m_world(world), m_resources(resources), m_dataPath(dataPath),
      m_watcher(new pf::FileWatcher(dataPath.isEmpty() ? String(".") : dataPath))
{
}

HotReload::~HotReload() = default;

std::string HotReload::canonical(const String& path)
{
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::path(path.str()), error);
    return error ? path.str() : resolved.string();
}

lang::Array<String> HotReload::savedFiles()
{
    return m_watcher->takeChanges(QUIET_MILLISECONDS);
}

bool HotReload::isScript(const String& file) const
{
    const std::string changed = canonical(io::PathName(m_dataPath, file).fullPath());
    for (const String& script : m_world->scriptFiles())
        if (canonical(script) == changed)
            return true;
    return false;
}

bool HotReload::reload(const String& file)
{
    const std::string changed = canonical(io::PathName(m_dataPath, file).fullPath());
    for (const String& script : m_world->scriptFiles()) {
        if (canonical(script) == changed) {
            m_world->rerunScript(script);
            lang::log("Reloaded %s\n", file.c_str());
            return true;
        }
    }
    return reloadResources(changed);
}

bool HotReload::reloadResources(const std::string& changed)
{
    // Collected first: creating again changes the tables walked here.
    lang::Array<String> sheets, fonts, texts;
    for (auto it = m_resources->files(Resources::SPRITE_SHEETS).begin();
         it != m_resources->files(Resources::SPRITE_SHEETS).end(); ++it) {
        const SpriteSheet* sheet = m_resources->spriteSheet(it.key());
        if (canonical(m_resources->fullPath(it.value())) == changed ||
            (sheet && sheet->image() && canonical(sheet->image()->texture()->name()) == changed))
            sheets.add(it.value());
    }
    for (auto it = m_resources->files(Resources::BITMAP_FONTS).begin();
         it != m_resources->files(Resources::BITMAP_FONTS).end(); ++it) {
        const auto* font = dynamic_cast<const BitmapFont*>(m_resources->loadedFont(it.key()));
        if (canonical(m_resources->fullPath(it.value())) == changed ||
            (font && font->image() && canonical(font->image()->texture()->name()) == changed))
            fonts.add(it.value());
    }
    for (auto it = m_resources->files(Resources::TEXT_GROUP_SETS).begin();
         it != m_resources->files(Resources::TEXT_GROUP_SETS).end(); ++it)
        if (canonical(m_resources->fullPath(it.value())) == changed)
            texts.add(it.value());

    for (const String& file : sheets) {
        m_resources->createSpriteSheet(file, true);
        // Objects hold their sprites counted: they would go on drawing the old pictures.
        m_world->refreshSprites();
        lang::log("Reloaded %s\n", file.c_str());
    }
    for (const String& file : fonts) {
        const String key = io::PathName(file).basename();
        m_resources->createBitmapFont(file, true);
        if (m_resources->fontName() == key)
            m_resources->useFont(key); // the current font is the object, not the name
        lang::log("Reloaded %s\n", file.c_str());
    }
    for (const String& file : texts) {
        const String key = io::PathName(file).basename();
        lang::Array<String> loaded;
        if (const TextGroupSet* before = m_resources->textGroupSet(key))
            for (const String& language : before->languages())
                if (before->isLoaded(language))
                    loaded.add(language);
        m_resources->createTextGroupSet(file, true);
        for (const String& language : loaded)
            m_resources->textGroupSet(key)->load(language);
        lang::log("Reloaded %s\n", file.c_str());
    }
    return !sheets.isEmpty() || !fonts.isEmpty() || !texts.isEmpty();
}

} // namespace game
