-- One benchmark scene a run, chosen on the command line; bench/peer/love/main.lua is the same
-- scene for the other engine, line for line where the engines allow. Each result is printed
-- as "RESULT name value" and the run ends by itself.
--
--   --scene=sprites --n=N --size=32|1   N rotating sprites a frame: frame time, submit time
--   --scene=physics                     a 200-box pyramid: step time awake, then asleep
--   --scene=calls                       a million native calls of three kinds
--   --scene=startup [--audio]           the first frame, then exit

local scene = launchOptions.scene or "startup"
local n = tonumber(launchOptions.n or "1000")
local size = tonumber(launchOptions.size or "32")

local function result(name, value)
    print(string.format("RESULT %s %.4f", name, value))
end

-- The same positions in both engines: a multiplicative sequence whose products stay exact
-- in this interpreter's 32-bit float numbers.
local seed = 12345
local function random()
    seed = (seed * 171) % 30269
    return seed / 30269
end

local xs, ys, spins = {}, {}, {}
local frame = 0
local frameTimes, submitTimes = {}, {}
local WARM_UP, MEASURED = 10, 40

local function median(values)
    table.sort(values)
    return values[math.floor((#values + 1) / 2)]
end

-- Sprites -------------------------------------------------------------------------------

local function sprites()
    if frame > 1 then
        frameTimes[#frameTimes + 1] = microsecondsSince(1)
    end
    markTime(1)
    local name = size == 1 and "sprite1" or "sprite32"
    local t = frame * 0.01
    local draw = res.drawSpriteTransformed
    markTime(2)
    for i = 1, n do
        draw(name, xs[i], ys[i], spins[i] + t)
    end
    submitTimes[#submitTimes + 1] = microsecondsSince(2)
    if frame == WARM_UP then
        frameTimes, submitTimes = {}, {}
    elseif frame == WARM_UP + MEASURED then
        result("frame_ms", median(frameTimes) / 1000)
        result("submit_ns_per_sprite", median(submitTimes) * 1000 / n)
        requestExit()
    end
end

-- Physics -------------------------------------------------------------------------------

local steps, stepMs, phase, phaseSteps = 0, 0, "awake", 0
local AWAKE_STEPS, ASLEEP_STEPS = 30, 60

local function pyramid()
    objects.world = {}
    setLevelLimits(-1000, -1000, 1000, 1000)
    createBox("ground", "", 32, 34, 80, 1, 0, 0.6, 0, true, false, 1)
    local count = 0
    -- rows of 20 boxes down to 5: 200 boxes, each a little above its row so they settle
    for row = 0, 15 do
        local width = 20 - row
        for i = 0, width - 1 do
            count = count + 1
            createBox("box" .. count, "", 32 - width / 2 + i + 0.5, 33 - row * 1.02 - 0.5, 1, 1, 1, 0.6, 0,
                true, false, 2)
        end
    end
    setPhysicsEnabled(true)
end

local function physics()
    local ms, taken = getPhysicsTime()
    if taken > 0 then
        if phase == "awake" and hasAwakeObjects then
            steps, stepMs = steps + taken, stepMs + ms
            if steps >= AWAKE_STEPS then
                result("awake_step_us", stepMs * 1000 / steps)
                phase, steps, stepMs = "settling", 0, 0
            end
        elseif phase == "settling" and not hasAwakeObjects then
            phase = "asleep"
        elseif phase == "asleep" then
            steps, stepMs = steps + taken, stepMs + ms
            if steps >= ASLEEP_STEPS then
                result("asleep_step_us", stepMs * 1000 / steps)
                requestExit()
            end
        end
    end
end

-- Native calls --------------------------------------------------------------------------

local function calls()
    local COUNT = 1000000
    local function time(body)
        markTime(3)
        body()
        return microsecondsSince(3) * 1000 / COUNT
    end
    local drawSome, isPhysicsEnabled, getAngle = drawSome, isPhysicsEnabled, getAngle
    local empty = time(function() for _ = 1, COUNT do end end)
    local none = time(function() for _ = 1, COUNT do drawSome() end end)
    local boolean = time(function() for _ = 1, COUNT do isPhysicsEnabled() end end)
    local text = time(function() for _ = 1, COUNT do getAngle("box") end end)
    result("empty_ns", none - empty)
    result("boolean_ns", boolean - empty)
    result("string_number_ns", text - empty)
    requestExit()
end

function createStartUpAssets()
    res.createSpriteSheet("sprites/scene.dat")
    if scene == "sprites" then
        for i = 1, n do
            xs[i], ys[i], spins[i] = random() * 1280, random() * 720, random() * 6.2832
        end
    elseif scene == "physics" then
        pyramid()
    elseif scene == "calls" then
        objects.world = {}
        createBox("box", "", 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)
    elseif scene == "startup" and launchOptions.audio then
        res.createAudioOutput(2, 16, 44100)
        res.startAudioOutput()
    end
end

function update(dt)
    frame = frame + 1
    if scene == "sprites" then
        sprites()
    elseif scene == "physics" then
        physics()
    elseif scene == "calls" then
        calls()
    else
        res.drawSprite("sprite32", 640, 360)
        requestExit()
    end
end
