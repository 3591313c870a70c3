-- The launch options: the engine publishes `--name` and `--name=value` arguments after the
-- configuration as launchOptions, values as strings.
--
--   --level=N                start level N at once, skipping the title
--   --autoplay               fire the level's recorded solution, each shot once all is at rest
--   --attract                the game plays itself from the start, and goes on playing
--   --exit-on-end            print the level's result line and quit when it ends
--   --quit-after-frames=N    quit after N drawn frames
--   --frame-log              print frame time statistics every 10 seconds
--   --dev                    F2 opens the level editor
--   --speed=N                the game's own waits (camera moves, pauses between shots) run
--                            N times faster; the physics keeps its pace

local function number(name)
    return tonumber(launchOptions[name])
end

function read()
    level = number("level")
    autoplay = launchOptions.autoplay == true
    attract = launchOptions.attract == true
    exitOnEnd = launchOptions["exit-on-end"] == true
    quitAfterFrames = number("quit-after-frames")
    frameLog = launchOptions["frame-log"] == true
    dev = launchOptions.dev == true
    speed = math.max(1, number("speed") or 1)
end
