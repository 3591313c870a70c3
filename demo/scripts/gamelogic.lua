-- Lanternfall: a keeper's bamboo launcher against the gloomers.
--
-- The engine runs this file once, then calls createStartUpAssets() once and update(dt)
-- every frame, and the collision callbacks inside the physics steps. The game itself lives
-- in the modules of scripts/lib/; each is loaded into a global table of its own name, so
-- one module calls another as `camera.snap()` or `play.start(1, "player")`. A module's
-- top-level locals are its own state; its top-level functions are what it offers.
--
--   log       the lines printed for tests and tools
--   options   the launch options (--level=N, --autoplay, --attract, ...)
--   saves     settings.lua and highscores.lua: volume, sound, language, best scores, locks
--   sound     the clips, the music loop and the rolling sounds the engine plays itself
--   ui        text, panels and buttons in window pixels
--   camera    where the view looks and how far it is zoomed
--   levels    a level file made into bodies and joints
--   lanterns  the three lantern kinds and what each does when clicked in flight
--   damage    hits and breaks: sounds, particles, cracks, scores, the gloomers left
--   play      one level: the launcher, the shots, the camera's moves, winning and losing
--   attract   the game playing itself, aiming by a ballistic solve
--   editor    the level editor of --dev builds (F2)
--   screens   title, level select, play, pause, settings and the level's end
--   frames    --frame-log and --quit-after-frames

local MODULES = {
    "log", "options", "saves", "sound", "ui", "camera", "levels", "lanterns", "damage",
    "play", "attract", "editor", "screens", "frames",
}

-- Each module is loaded once: when this file is reloaded in developer mode, the modules
-- (which reload by themselves) and the game's state in them stay.
for _, name in ipairs(MODULES) do
    if this[name] == nil then
        loadLuaFileToObject(scriptPath .. "/lib/" .. name .. ".lua", this, name)
        -- A file read as data sees the interpreter's globals only; a module's functions
        -- also need the game's: the engine's functions, its tables and the other modules.
        setmetatable(this[name], { __index = this })
    end
end
options.read()

function createStartUpAssets()
    res.createSpriteSheet("sprites/game.dat")
    res.createSpriteSheet("sprites/ui.dat")
    res.createSpriteSheet("sprites/themes.dat")
    res.createBitmapFont("fonts/body.dat")
    res.createBitmapFont("fonts/title.dat")
    res.createTextGroupSet("TEXTS_BASIC.dat")
    res.useFont("body")
    saves.init()
    sound.init()
end

function update(dt)
    frames.record(dt)
    sound.update(dt)
    screens.update(dt)
end

-- Collision callbacks: they run inside a physics step, where bodies may not be made or
-- removed; the engine does what they ask right after the step.
function blockCollision(nameA, nameB, impact)
    damage.blockCollision(nameA, nameB, impact)
end

function birdCollision(bird, other, impact, points)
    damage.birdCollision(bird, other, impact, points)
end

function removeBlocks()
    damage.removeBlocks()
end

-- The window lost the focus: a level being played by hand waits in the pause menu.
function gamePaused()
    screens.focusLost()
end

-- Developer mode: after R on the error screen has run the scripts again, the engine asks
-- for the level that was running; it starts over as it was being played.
function restartLevel(levelName)
    if play.number and play.start(play.number, play.mode or "player") then
        screens.show("play")
    end
end
