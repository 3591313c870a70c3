#pragma once

#include "lang/Array.h"
#include "lang/Ptr.h"
#include "lang/String.h"

#include <string>

namespace pf {
class FileWatcher;
}

namespace game {

class GameLua;
class Resources;

/// Developer mode's hot reload: what is saved under the data directory while the game runs
/// is reloaded in place, on the main thread, once a frame. A script or level the game ran
/// runs again in the table it ran in (its functions replaced, the table's other values
/// kept); a sprite sheet or its image, a bitmap font or its image, and a text file are
/// created again under their keys. The watching is a pf::FileWatcher's worker; everything
/// else happens on the caller's thread.
class HotReload
{
public:
    /// Starts watching dataPath. world and resources are not owned: both outlive this.
    /// Throws lang::Exception when the directory can't be watched.
    HotReload(GameLua* world, Resources* resources, const lang::String& dataPath);
    ~HotReload();

    /// The files saved since the last call and quiet since for 100 ms (an editor may write
    /// one in steps), relative to the data directory. Does not block.
    lang::Array<lang::String> savedFiles();
    /// Whether file, relative to the data directory, is a script or data file the game ran.
    bool isScript(const lang::String& file) const;
    /// Reloads what the game made from file (relative to the data directory), logging
    /// "Reloaded NAME" for each; false when it made nothing from it. Throws what reloading
    /// throws: the script's error, or the resource's, whose earlier version stays in place.
    bool reload(const lang::String& file);

private:
    GameLua* m_world;        ///< owned by the game application
    Resources* m_resources;  ///< owned by the game application
    lang::String m_dataPath;
    lang::Ptr<pf::FileWatcher> m_watcher;

    /// The path with links, "." and ".." resolved, so that two spellings of one file match.
    static std::string canonical(const lang::String& path);
    bool reloadResources(const std::string& changed);
};

} // namespace game
