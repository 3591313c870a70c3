-- What the world is built of. The engine reads this file into blockTable at start and at
-- every loadLevel; it reads `themes` (setTheme) and `damageFactors` (the lanterns' hits)
-- itself, and the scripts make every body of a level from `definitions`.
--
-- Units: 1 unit is 20 pixels, so a sprite of 160 x 20 pixels covers a body of 8 x 1 units.
-- strength: how much damage a block takes before it breaks (the engine's collision rules
-- subtract each impact's excess over `defence`); score: the points for breaking it.

-- Each material's own numbers; "wood", "rock" and "light" are the engine's material names,
-- which choose the rolling sounds and the lanterns' damage factors.
local MATERIALS = {
    bamboo = { material = "wood", density = 0.8, friction = 0.7, restitution = 0.1,
               strength = 8, defence = 1, score = 500 },
    stone = { material = "rock", density = 2.4, friction = 0.8, restitution = 0.05,
              strength = 24, defence = 3, score = 1000 },
    paper = { material = "light", density = 0.35, friction = 0.6, restitution = 0.1,
              strength = 3, defence = 0.3, score = 300 },
}

-- The shapes every material comes in. `share` scales the material's strength and score:
-- a long beam takes more to break than a small block, and gives more for it.
local SHAPES = {
    beam = { width = 8, height = 1, share = 1.6 },
    plank = { width = 4, height = 1, share = 1 },
    square = { width = 2, height = 2, share = 1.2 },
    post = { width = 1, height = 4, share = 1 },
    small = { width = 1, height = 1, share = 0.5 },
    ball = { radius = 1, share = 1.2 },
}

-- Drawing passes: blocks behind gloomers. (Lanterns, the engine's birds, have a pass of
-- their own in front.)
local BLOCK_Z = 2
local GLOOMER_Z = 3

-- Every definition by name; a level's `world` entries name one each. Block definitions are
-- named MATERIAL_SHAPE, like their sprites ("bamboo_beam"), the look when damaged is the
-- sprite with "_cracked".
definitions = {}
for materialName, m in pairs(MATERIALS) do
    for shapeName, s in pairs(SHAPES) do
        local name = materialName .. "_" .. shapeName
        definitions[name] = {
            sprite = name, damagedSprite = name .. "_cracked", material = m.material,
            width = s.width, height = s.height, radius = s.radius,
            density = m.density, friction = m.friction, restitution = m.restitution,
            strength = m.strength * s.share, defence = m.defence,
            score = math.floor(m.score * s.share), zOrder = BLOCK_Z,
        }
    end
end

-- The gloomers, the targets: a level is won when none is left. Soft: a block that falls on
-- one pops it.
definitions.gloomer = {
    sprite = "gloomer", damagedSprite = "gloomer_hurt", material = "gloomer", gloomer = true,
    radius = 0.9, density = 0.6, friction = 0.6, restitution = 0.2,
    strength = 2, defence = 0.3, score = 5000, zOrder = GLOOMER_Z,
}
definitions.gloomer_big = {
    sprite = "gloomer_big", damagedSprite = "gloomer_big_hurt", material = "gloomer", gloomer = true,
    radius = 1.3, density = 0.6, friction = 0.6, restitution = 0.2,
    strength = 5, defence = 0.5, score = 8000, zOrder = GLOOMER_Z,
}

-- The pieces joints hold together. Rope links are weak: a lantern cuts a rope. Anchors are
-- fixed (density 0) and have no strength: nothing breaks them.
definitions.rope_link = {
    sprite = "rope_link", material = "wood", width = 0.4, height = 1,
    density = 4, friction = 0.5, restitution = 0, strength = 2, defence = 0.2, score = 100, zOrder = BLOCK_Z,
}
definitions.platform = {
    sprite = "platform", material = "wood", width = 8, height = 0.8,
    density = 0.8, friction = 0.8, restitution = 0.05, strength = 14, defence = 1, score = 500, zOrder = BLOCK_Z,
}
definitions.anchor = {
    sprite = "hinge", material = "rock", width = 0.8, height = 0.8,
    density = 0, friction = 0.6, restitution = 0, zOrder = BLOCK_Z,
}

-- The ground: its top is the ground line y = 0 when it is placed at y = 5. The theme draws
-- it, so it has no sprite.
definitions.ground = {
    material = "ground", width = 240, height = 10,
    density = 0, friction = 0.9, restitution = 0.05, zOrder = 1,
}

-- How hard each lantern kind hits each material: the damage multiplier, and how much of its
-- speed a lantern keeps after breaking through a block (the velocity multiplier).
damageFactors = {
    spark = {
        damageMultiplier = { light = 1.6, wood = 1, rock = 0.6 },
        velocityMultiplier = { light = 1, wood = 0.8, rock = 0.5 },
    },
    spark_small = {
        damageMultiplier = { light = 1.4, wood = 0.9, rock = 0.5 },
        velocityMultiplier = { light = 1, wood = 0.8, rock = 0.5 },
    },
    ember = {
        damageMultiplier = { light = 0.8, wood = 1.2, rock = 1.8 },
        velocityMultiplier = { light = 1, wood = 0.9, rock = 0.9 },
    },
    flare = {
        damageMultiplier = { light = 1.2, wood = 1.2, rock = 0.8 },
        velocityMultiplier = { light = 1, wood = 0.8, rock = 0.6 },
    },
}

-- The two looks of the world, for setTheme: the sky's colour, the ground's colour below
-- the ground line, parallax layers behind the world ({ name, sprite, parallax, scale }) and
-- the ground's edge in front of it.
themes = {
    hills = {
        color = { r = 72, g = 52, b = 96 },
        groundColor = { r = 51, g = 32, b = 44 },
        bgLayers = {
            { "far", "hills_far", 0.1, 1.5 },
            { "mid", "hills_mid", 0.3, 1.25 },
            { "near", "hills_near", 0.6, 1 },
        },
        fgLayers = { { "ground", "hills_ground" } },
    },
    frost = {
        color = { r = 24, g = 40, b = 72 },
        groundColor = { r = 26, g = 39, b = 65 },
        bgLayers = {
            { "far", "frost_far", 0.1, 1.5 },
            { "mid", "frost_mid", 0.3, 1.25 },
            { "near", "frost_near", 0.6, 1 },
        },
        fgLayers = { { "ground", "frost_ground" } },
    },
}
