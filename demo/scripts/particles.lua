-- The game's particle effects, read by every loadLevel into particleTable (the format is in
-- docs/formats.md). Particles fly in world pixels, y down, and end at the ground line.
-- The x and the y velocity are each drawn from minVel..maxVel, so a symmetric range
-- scatters them all around the point they start from.
particles = {
    -- Splinters of bamboo: quick, and they spin.
    chips_wood = {
        sprites = { "chip_bamboo_1", "chip_bamboo_2", "chip_bamboo_3" },
        minVel = -170, maxVel = 170, minAngleVel = -9, maxAngleVel = 9,
        minScaleBegin = 0.8, maxScaleBegin = 1.2, minScaleEnd = 0.4, maxScaleEnd = 0.7,
        lifeTime = 1.1, gravityX = 0, gravityY = 700,
    },
    -- Stone grit: heavy, falls fast and turns little.
    chips_rock = {
        sprites = { "chip_stone_1", "chip_stone_2", "chip_stone_3" },
        minVel = -140, maxVel = 140, minAngleVel = -3, maxAngleVel = 3,
        minScaleBegin = 0.8, maxScaleBegin = 1.3, minScaleEnd = 0.6, maxScaleEnd = 0.9,
        lifeTime = 1, gravityX = 0, gravityY = 900,
    },
    -- Scraps of paper flutter down slowly.
    chips_light = {
        sprites = { "chip_paper_1", "chip_paper_2", "chip_paper_3" },
        minVel = -120, maxVel = 120, minAngleVel = -5, maxAngleVel = 5,
        minScaleBegin = 0.7, maxScaleBegin = 1.1, minScaleEnd = 0.3, maxScaleEnd = 0.5,
        lifeTime = 1.8, gravityX = 30, gravityY = 160,
    },
    -- The light a gloomer gives back when it pops: the glow frames play over each life.
    glow = {
        sprites = { "glow_1", "glow_2", "glow_3" }, animation = "lifeTime", sheet = "game",
        minVel = -110, maxVel = 110, minAngleVel = -2, maxAngleVel = 2,
        minScaleBegin = 1, maxScaleBegin = 1.6, minScaleEnd = 0.2, maxScaleEnd = 0.4,
        lifeTime = 0.9, gravityX = 0, gravityY = -80,
    },
    -- Smoke of a spent lantern, and of a gloomer's pop: slow, growing, rising.
    smoke = {
        sprites = { "smoke_1", "smoke_2" },
        minVel = -35, maxVel = 35, minAngleVel = -1, maxAngleVel = 1,
        minScaleBegin = 0.5, maxScaleBegin = 0.8, minScaleEnd = 1.4, maxScaleEnd = 1.9,
        lifeTime = 1.3, gravityX = 0, gravityY = -60,
    },
}
