#pragma once

#include "lang/Array.h"
#include "lang/String.h"

namespace framework {

/// The configuration record, filled from config.lua before the window exists.
struct Config
{
    lang::String dataPath;
    lang::String name;
    int width = 800;
    int height = 600;
    /// Frames per second (config key framerate): N > 0 caps the frame loop at N; 0 runs
    /// uncapped with vsync off (for measuring); -1, the key missing, runs uncapped but paced
    /// by vsync where the driver has it.
    int frameRate = -1;
    bool fullScreen = false;
    bool showCursor = true;
    int orientation = 0; ///< quarter turns: 90 -> 1, 180 -> 2, 270 -> 3, else 0
    lang::String imagePath, fontPath, audioPath, localizationPath, levelPath, scriptPath;
    lang::String deviceModel;
    bool isBetaVersion = false;
    lang::String product;
    lang::String publisher;
    bool singleton = false;
    lang::Array<int> renderers; ///< wanted renderer kinds, in order; empty = [KIND_GL2, KIND_GL1]
    /// Image files (under the data path) the start-up loads (config key preload): decoded on
    /// another core while the window and its context are made.
    lang::Array<lang::String> preload;
    lang::String versionCheckUrl; ///< where the version check asks; empty: no check
    /// Developer mode (config key developer): plain scripts, the error screen, hot reload.
    /// The command line's --dev turns it on as well; the game asks GameApp::developerMode().
    bool developer = false;
    /// --fixed-frames on the command line: every frame advances the game by one frame time
    /// whatever the clock says, without waiting, for automated plays and soaks.
    bool fixedFrames = false;

    /// Reads the assignments of a configuration script into this record: the script runs
    /// in a temporary interpreter with an empty table as its environment, and each key is
    /// taken only when its value has the key's type. resourcePath prefixes the data path.
    /// Throws what opening or running the script throws; a script that runs past the data
    /// instruction budget fails like any script error.
    void read(const lang::String& path, const lang::String& resourcePath);

    /// The process-wide record.
    static Config& current();
};

} // namespace framework
