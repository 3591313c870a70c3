-- The living lanterns the keeper throws: the engine's "birds", circles that fly on the
-- physics and hit with the damage factors of blocks.lua. Each kind does one thing when
-- clicked in flight.

KINDS = {
    spark = { sprite = "spark", radius = 0.6, density = 2 },        -- light and fast: paper
    ember = { sprite = "ember", radius = 0.8, density = 6 },        -- a heavy iron lantern: stone
    flare = { sprite = "flare", radius = 0.7, density = 3 },        -- bursts into three
    spark_small = { sprite = "spark_small", radius = 0.4, density = 2 }, -- a flare's fragment
}

local FRICTION = 0.5
local RESTITUTION = 0.3
local Z_ORDER = 4

local DASH = 1.8          -- a spark's speed grows this much along its direction
local DROP_SPEED = 32     -- units/s an ember gains downwards
local FAN = math.rad(12)  -- the angle between a flare's fragments
local FRAGMENT_SPACING = 0.9 -- units between fragments, so that they do not start inside each other

-- Makes lantern `name` of `kind` at (x, y) flying at (vx, vy), all in units.
function spawn(name, kind, x, y, vx, vy)
    local k = KINDS[kind]
    createCircle(name, k.sprite, x, y, k.radius, k.density, FRICTION, RESTITUTION, true, Z_ORDER)
    setVelocity(name, vx, vy)
    local lantern = objects.world[name]
    lantern.kind = kind
    lantern.damageFactors = kind -- the set of blockTable.damageFactors its hits use
    lantern.xVel, lantern.yVel = vx, vy
    return lantern
end

local function speedOf(lantern)
    return math.sqrt(lantern.xVel * lantern.xVel + lantern.yVel * lantern.yVel)
end

local function dash(lantern)
    setVelocity(lantern.name, lantern.xVel * DASH, lantern.yVel * DASH)
end

local function drop(lantern)
    applyImpulse(lantern.name, 0, lantern.mass * DROP_SPEED, lantern.x, lantern.y)
end

-- The flare goes; three fragments fly on, fanned around its direction. Their names are
-- added to `flying`.
local function burst(lantern, flying)
    local speed = speedOf(lantern)
    local heading = math.atan2(lantern.yVel, lantern.xVel)
    -- across the direction of flight
    local acrossX, acrossY = -math.sin(heading), math.cos(heading)
    removeObject(lantern.name)
    objects.world[lantern.name] = nil
    for i = -1, 1 do
        local angle = heading + i * FAN
        local name = lantern.name .. "_" .. (i + 2)
        spawn(name, "spark_small",
            lantern.x + acrossX * i * FRAGMENT_SPACING, lantern.y + acrossY * i * FRAGMENT_SPACING,
            math.cos(angle) * speed, math.sin(angle) * speed)
        flying[#flying + 1] = name
    end
end

-- What a click in flight does to `lantern` (a table of objects.world); fragments it makes
-- are added to the list `flying`.
function activate(lantern, flying)
    local x, y = lantern.x * PIXELS_PER_UNIT, lantern.y * PIXELS_PER_UNIT
    addPuffToTrajectory(0, x, y)
    particles.addParticles("glow", 10, x, y, 20, 20, 0)
    if lantern.kind == "spark" then
        dash(lantern)
    elseif lantern.kind == "ember" then
        drop(lantern)
    elseif lantern.kind == "flare" then
        burst(lantern, flying)
    end
    sound.play("launch", 0.6)
end
