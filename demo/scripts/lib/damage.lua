-- What hits and breaks do. The engine's collision rules have already taken the strength,
-- put broken bodies into deadBlocks and scored block-on-block damage in
-- scoreTable.blocks.score; here come the sounds, particles, cracked looks, the rest of the
-- score and the count of gloomers left.

-- The points a lantern's hit scores per point of damage: what the engine gives for damage
-- between blocks.
local POINTS_PER_DAMAGE = 10
-- Impacts below this make no sound: bodies settling against each other.
local QUIET_IMPACT = 1.5
-- The impact that sounds at full volume.
local LOUD_IMPACT = 12

local HIT_SOUNDS = { wood = "hit_wood", rock = "hit_rock", light = "hit_light" }
local BREAK_SOUNDS = { wood = "break_wood", rock = "break_rock", light = "break_light" }
local CHIPS = { wood = "chips_wood", rock = "chips_rock", light = "chips_light" }

-- A module field, kept when this file is reloaded in developer mode.
gloomersLeft = gloomersLeft or 0

-- Counts the gloomers of a newly made world.
function reset()
    gloomersLeft = 0
    for _, body in pairs(objects.world) do
        if body.gloomer then
            gloomersLeft = gloomersLeft + 1
        end
    end
end

function addScore(points)
    scoreTable.blocks.score = scoreTable.blocks.score + points
end

function score()
    return scoreTable.blocks.score
end

local function volumeOf(impact)
    return math.min(1, impact / LOUD_IMPACT)
end

-- A body below half its strength takes its damaged look, once.
local function showWear(body)
    if body.worn or body.strength == nil or body.strength <= 0 then
        return
    end
    local definition = blockTable.definitions[body.definition]
    if definition and definition.damagedSprite and body.strength < definition.strength / 2 then
        body.worn = true
        setSprite(body.name, definition.damagedSprite)
    end
end

local function hit(body, impact)
    local clip = HIT_SOUNDS[body.material]
    if clip then
        sound.play(clip, volumeOf(impact))
    end
    showWear(body)
end

function blockCollision(nameA, nameB, impact)
    if impact < QUIET_IMPACT then
        return
    end
    local a, b = objects.world[nameA], objects.world[nameB]
    if a and b then
        hit(a, impact)
        hit(b, impact)
    end
end

function birdCollision(birdName, otherName, impact, points)
    local lantern, other = objects.world[birdName], objects.world[otherName]
    if lantern == nil or other == nil then
        return
    end
    lantern.hasHit = true
    if other.strength and other.strength <= 0 then
        log.lineLeftOpen() -- the engine logs the lantern's new speed after this step
    end
    if points > 0 then
        addScore(points * POINTS_PER_DAMAGE)
    end
    if impact >= QUIET_IMPACT and not other.kind then
        hit(other, impact)
        local chips = CHIPS[other.material]
        if chips then
            particles.addParticles(chips, 4, lantern.x * PIXELS_PER_UNIT, lantern.y * PIXELS_PER_UNIT, 16, 16, 0)
        end
    end
end

-- A broken body's last moment: its particles, its sound and its score.
local function breakApart(body)
    local x, y = body.x * PIXELS_PER_UNIT, body.y * PIXELS_PER_UNIT
    local definition = blockTable.definitions[body.definition]
    if body.gloomer then
        gloomersLeft = gloomersLeft - 1
        particles.addParticles("glow", 14, x, y, 24, 24, 0)
        particles.addParticles("smoke", 3, x, y, 16, 16, 0)
        sound.play("pop")
    else
        local width = (body.width or body.radius * 2) * PIXELS_PER_UNIT
        local height = (body.height or body.radius * 2) * PIXELS_PER_UNIT
        local chips = CHIPS[body.material]
        if chips then
            particles.addParticles(chips, 6 + math.floor((width + height) / 20), x, y, width, height, body.angle)
        end
        local clip = BREAK_SOUNDS[body.material]
        if clip then
            sound.play(clip)
        end
    end
    if definition and definition.score then
        addScore(definition.score)
    end
end

-- After every physics step: the bodies that broke in it go.
function removeBlocks()
    if next(deadBlocks) == nil then
        return
    end
    for name, body in pairs(deadBlocks) do
        breakApart(body)
        removeObject(name)
        objects.world[name] = nil
        deadBlocks[name] = nil
    end
end

-- A gloomer pushed out of the level pops where it is.
function popLost(body)
    if deadBlocks[body.name] == nil then
        body.strength = 0
        deadBlocks[body.name] = body
    end
end
