-- Attract mode: the game plays itself, level after level, wrapping after the last. Each
-- lantern is aimed at the gloomer nearest the launcher by solving the throw's parabola,
-- with a little variety so that no two rounds look the same.

-- Module fields rather than locals, so that a reload of this file in developer mode
-- (docs/script-api.md) keeps them.
active = active or false
sticky = sticky or false -- started with --attract: the player's input does not end it
levelNumber = levelNumber or 0

-- Variety: the throw's speed as a share of the fastest, how often the high arc is taken,
-- how often the lantern is clicked in flight, and a jitter of the pull in pixels.
local SLOWEST_SHARE = 0.8
local FASTEST_SHARE = 0.97 -- a little below the full pull, which the step correction adds to
local HIGH_ARC_CHANCE = 0.25
local CLICK_CHANCE = 0.5
local JITTER = 1.5
-- The start of a throw depends on the pull it is solving for: a few rounds settle it.
local SOLVE_ROUNDS = 3
-- The physics steps 30 times a second, adding each step's gravity to the speed before it
-- moves: a body falls as if thrown downwards faster, by half a step's gravity, than the
-- parabola says.
local PHYSICS_STEP = 1 / 30
-- Where a clicked lantern is clicked: this many units before the target's x.
local CLICK_AHEAD = { spark = 10, ember = 1, flare = 7 }

function start(fromLaunchOption)
    active = true
    sticky = fromLaunchOption
    levelNumber = 0
    math.randomseed(os.time())
    nextLevel()
end

function nextLevel()
    levelNumber = levelNumber % LEVEL_COUNT + 1
    log.line("attract level " .. levelNumber)
    play.start(levelNumber, "attract")
end

function stop()
    active = false
    play.stop()
end

local function nearestGloomer()
    local nearest, best = nil, math.huge
    for _, body in pairs(objects.world) do
        if body.gloomer then
            local distance = math.abs(body.x * PIXELS_PER_UNIT - play.REST_X)
            if distance < best then
                nearest, best = body, distance
            end
        end
    end
    return nearest
end

-- The angle above the horizontal (radians) that throws at `speed` from the origin to a
-- point `across` units ahead and `up` units higher; nil when it is out of reach.
local function throwAngle(speed, across, up, highArc)
    local g = play.GRAVITY
    local v2 = speed * speed
    local root = v2 * v2 - g * (g * across * across + 2 * up * v2)
    if root < 0 then
        return nil
    end
    local sign = highArc and 1 or -1
    return math.atan((v2 + sign * math.sqrt(root)) / (g * across))
end

-- The pull (pixels) that throws at `speed` to the target's centre.
local function solve(target, speed, highArc)
    local correction = play.GRAVITY * PHYSICS_STEP / 2
    local dx, dy = 0, 0
    for _ = 1, SOLVE_ROUNDS do
        local startX = (play.REST_X + dx) / PIXELS_PER_UNIT
        local startY = (play.REST_Y + dy) / PIXELS_PER_UNIT
        local angle = throwAngle(speed, target.x - startX, startY - target.y, highArc) or math.pi / 4
        dx = -math.cos(angle) * speed / play.LAUNCH_SPEED
        dy = (math.sin(angle) * speed + correction) / play.LAUNCH_SPEED
    end
    return dx, dy
end

-- The pull (pixels) for the next lantern of `kind`, and the x (units) at which to click it
-- in flight, or nil not to.
function chooseShot(kind)
    local target = nearestGloomer()
    if target == nil then
        return -play.MAX_PULL * 0.7, play.MAX_PULL * 0.7, nil
    end
    local share = SLOWEST_SHARE + (FASTEST_SHARE - SLOWEST_SHARE) * math.random()
    local speed = play.MAX_PULL * play.LAUNCH_SPEED * share
    local dx, dy = solve(target, speed, math.random() < HIGH_ARC_CHANCE)
    if dy > play.lowestPull(kind) then
        -- A steep throw would start the lantern below the ground: the low arc instead.
        dx, dy = solve(target, speed, false)
    end
    dx = dx + (math.random() * 2 - 1) * JITTER
    dy = math.min(dy + (math.random() * 2 - 1) * JITTER, play.lowestPull(kind))
    local clickAt = nil
    if math.random() < CLICK_CHANCE then
        clickAt = target.x - CLICK_AHEAD[kind]
    end
    return dx, dy, clickAt
end
