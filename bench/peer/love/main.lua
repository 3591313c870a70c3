-- bench/peer/pelterra/scripts/gamelogic.lua's scenes for the other engine, line for line
-- where the engines allow. Each result is printed as "RESULT name value"; the run ends by
-- itself. --nojit turns the JIT compiler off for the whole run.

local options = {}
for _, a in ipairs(arg or {}) do
    local key, value = a:match("^%-%-([%w-]+)=(.*)$")
    if key then
        options[key] = value
    elseif a:match("^%-%-[%w-]+$") then
        options[a:sub(3)] = true
    end
end
if options.nojit and jit then
    jit.off()
end

local scene = options.scene or "startup"
local n = tonumber(options.n or "1000")
local size = tonumber(options.size or "32")

local function result(name, value)
    print(string.format("RESULT %s %.4f", name, value))
    io.stdout:flush()
end

local seed = 12345
local function random()
    seed = (seed * 171) % 30269
    return seed / 30269
end

local xs, ys, spins = {}, {}, {}
local frame = 0
local frameTimes, submitTimes = {}, {}
local WARM_UP, MEASURED = 10, 40
local lastFrame
local images = {}

local function median(values)
    table.sort(values)
    return values[math.floor((#values + 1) / 2)]
end

-- The default main loop without its 1 ms sleep a frame: both engines run uncapped.
function love.run()
    if love.load then love.load() end
    love.timer.step()
    return function()
        love.event.pump()
        for name, a, b, c, d, e, f in love.event.poll() do
            if name == "quit" then
                return a or 0
            end
            love.handlers[name](a, b, c, d, e, f)
        end
        local dt = love.timer.step()
        if love.update then love.update(dt) end
        if love.graphics.isActive() then
            love.graphics.origin()
            love.graphics.clear(love.graphics.getBackgroundColor())
            if love.draw then love.draw() end
            love.graphics.present()
            if scene == "startup" then
                -- bench/startup.py times the first drawn frame by this line's arrival.
                io.stdout:write("First frame drawn\n")
                io.stdout:flush()
            end
        end
    end
end

-- Sprites -------------------------------------------------------------------------------

local function drawSprites()
    local now = love.timer.getTime()
    if frame > 1 then
        frameTimes[#frameTimes + 1] = (now - lastFrame) * 1e6
    end
    lastFrame = now
    local image = size == 1 and images.sprite1 or images.sprite32
    local ox, oy = image:getWidth() / 2, image:getHeight() / 2
    local t = frame * 0.01
    local draw = love.graphics.draw
    local start = love.timer.getTime()
    for i = 1, n do
        draw(image, xs[i], ys[i], spins[i] + t, 1, 1, ox, oy)
    end
    submitTimes[#submitTimes + 1] = (love.timer.getTime() - start) * 1e6
    if frame == WARM_UP then
        frameTimes, submitTimes = {}, {}
    elseif frame == WARM_UP + MEASURED then
        result("frame_ms", median(frameTimes) / 1000)
        result("submit_ns_per_sprite", median(submitTimes) * 1000 / n)
        love.event.quit()
    end
end

-- Physics: the same fixed 1/30 s step and iterations as Pelterra's world ------------------

local world, bodies
local accumulator, steps, stepTime, phase = 0, 0, 0, "awake"
local STEP, AWAKE_STEPS, ASLEEP_STEPS = 1 / 30, 30, 60

local function box(x, y, w, h, kind)
    local body = love.physics.newBody(world, x, y, kind)
    local fixture = love.physics.newFixture(body, love.physics.newRectangleShape(w, h), 1)
    fixture:setFriction(0.6)
    fixture:setRestitution(0)
    return body
end

local function pyramid()
    love.physics.setMeter(1)
    world = love.physics.newWorld(0, 20, true)
    box(32, 34, 80, 1, "static")
    bodies = {}
    for row = 0, 15 do
        local width = 20 - row
        for i = 0, width - 1 do
            bodies[#bodies + 1] = box(32 - width / 2 + i + 0.5, 33 - row * 1.02 - 0.5, 1, 1, "dynamic")
        end
    end
end

local function anyAwake()
    for _, body in ipairs(bodies) do
        if body:isAwake() then return true end
    end
    return false
end

local function stepPhysics(dt)
    accumulator = accumulator + dt
    while accumulator >= STEP do
        accumulator = accumulator - STEP
        local start = love.timer.getTime()
        world:update(STEP, 10, 10)
        local spent = love.timer.getTime() - start
        if phase == "awake" then
            steps, stepTime = steps + 1, stepTime + spent
            if steps >= AWAKE_STEPS then
                result("awake_step_us", stepTime * 1e6 / steps)
                phase, steps, stepTime = "settling", 0, 0
            end
        elseif phase == "settling" then
            if not anyAwake() then phase = "asleep" end
        else
            steps, stepTime = steps + 1, stepTime + spent
            if steps >= ASLEEP_STEPS then
                result("asleep_step_us", stepTime * 1e6 / steps)
                love.event.quit()
                return
            end
        end
    end
end

-- Calls: the nearest this engine has to Pelterra's drawSome(), isPhysicsEnabled() and
-- getAngle(name) ----------------------------------------------------------------------

local function calls()
    love.physics.setMeter(1)
    world = love.physics.newWorld(0, 20, true)
    local body = box(0, 0, 1, 1, "dynamic")
    local COUNT = 1000000
    local getTime = love.timer.getTime
    local function time(f)
        local start = getTime()
        f()
        return (getTime() - start) * 1e9 / COUNT
    end
    local getDelta = love.timer.getDelta
    local empty = time(function() for _ = 1, COUNT do end end)
    local none = time(function() for _ = 1, COUNT do getDelta() end end)
    local boolean = time(function() for _ = 1, COUNT do body:isAwake() end end)
    local number = time(function() for _ = 1, COUNT do body:getX() end end)
    result("empty_ns", none - empty)
    result("boolean_ns", boolean - empty)
    result("string_number_ns", number - empty)
    love.event.quit()
end

function love.load()
    images.sprite32 = love.graphics.newImage("sprite32.png")
    images.sprite1 = love.graphics.newImage("sprite1.png")
    if scene == "sprites" then
        for i = 1, n do
            xs[i], ys[i], spins[i] = random() * 1280, random() * 720, random() * 6.2832
        end
    elseif scene == "physics" then
        pyramid()
    end
end

function love.update(dt)
    frame = frame + 1
    if scene == "physics" then
        stepPhysics(dt)
    elseif scene == "calls" then
        calls()
    end
end

function love.draw()
    if scene == "sprites" then
        drawSprites()
    elseif scene == "startup" then
        love.graphics.draw(images.sprite32, 640, 360)
        love.event.quit()
    end
end

