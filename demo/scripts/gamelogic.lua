-- The demo scene: a ground, a tower of crates and a ball that a click throws at it.
-- Escape quits; the state of the world is printed once a second.

local elapsed = 0
local printed = 0

function updateValues()
    setBGColor(40, 60, 90)
end

function createStartUpAssets()
    objects.world = {}
    setLevelLimits(-100, 0, 100, 0)
    createBox("ground", "", 0, 12, 60, 2, 0, 0.8, 0.1, true, false, 1)
    for i = 0, 4 do
        createBox("crate" .. i, "", 10, 10.5 - i * 1.05, 1, 1, 1, 0.6, 0.1, true, false, 2)
        setMaterial("crate" .. i, blockTable.wood.material)
    end
    createCircle("ball", "", -10, 10, 0.5, 3, 0.5, 0.3, true, 3)
    setPhysicsEnabled(true)
end

function update(dt)
    elapsed = elapsed + dt
    if keyPressed.ESCAPE then
        requestExit()
    end
    if keyPressed.LBUTTON then
        applyImpulse("ball", 60, -25, objects.world.ball.x, objects.world.ball.y)
    end
    if elapsed - printed >= 1 then
        printed = elapsed
        local ball = objects.world.ball
        print(string.format("t=%.1f ball at (%.2f, %.2f) top crate at (%.2f, %.2f) moving=%s",
            elapsed, ball.x, ball.y, objects.world.crate4.x, objects.world.crate4.y, tostring(hasMovingObjects)))
    end
end

function gamePaused() print("paused") end
function gameResumed() print("resumed") end
