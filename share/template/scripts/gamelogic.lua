-- A new game: a crate falls onto the ground under a greeting.
--
-- The engine runs this file once at start-up, then calls createStartUpAssets() once and
-- update(dt) every frame; all drawing happens inside update. Physics positions are in
-- units of 20 pixels, y pointing down. Escape quits. docs/script-api.md lists every
-- function a script can call.

function updateValues()
    setBGColor(36, 44, 64)
end

function createStartUpAssets()
    res.createSpriteSheet("sprites/game.dat")
    res.createBitmapFont("fonts/body.dat")
    res.createTextGroupSet("TEXTS_BASIC.dat")
    res.useFont("body")

    objects.world = {}
    setLevelLimits(-100, 0, 100, 0)
    -- name, sprite, x, y, width, height, density (0: does not move), friction,
    -- restitution, collides, is a projectile, drawing order
    createBox("ground", "ground", 25.6, 37.6, 51.2, 1.6, 0, 0.8, 0.1, true, false, 1)
    createBox("box", "crate", 25.6, 6, 2, 2, 1, 0.6, 0.2, true, false, 2)
    setPhysicsEnabled(true)
end

function update(dt)
    if keyPressed.ESCAPE then
        requestExit()
    end
    drawGameNative()
    res.drawSprite("logo", 512, 300)
    res.drawString("TEXTS_BASIC", "WELCOME", 512, 60, "TOP", "HCENTER")
    res.drawString("TEXTS_BASIC", "HINT", 512, 130, "TOP", "HCENTER")
end
