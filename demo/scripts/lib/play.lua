-- One level being played: the launcher and the lanterns waiting by it, the pull and the
-- shot, the camera's moves, the lanterns' clicks in flight, and how the level ends. The
-- rules of damage and score are in damage.lua; who pulls is the mode:
--
--   "player"    the mouse
--   "autoplay"  the level file's recorded solution, each shot once everything sleeps
--   "attract"   attract.lua's aim
--
-- A level goes through these phases: "intro" (the camera shows the structure, then comes
-- back), "aim" (a lantern sits in the launcher), "flight", "settle" (the camera watches
-- the structure until it is still), and "over" once it is won or lost.

GRAVITY = 20 -- units/s², the engine's

-- The band's rest point, where a lantern sits ready, in world pixels: the launcher stands
-- at x = 0 on the ground line.
REST_X, REST_Y = 0, -100
-- While aiming, the camera shows the rest point at this window pixel.
local AIM_WINDOW_X, AIM_WINDOW_Y = 200, 520
-- Where a flying lantern is kept in the window.
local FOLLOW_WINDOW_X, FOLLOW_WINDOW_Y = 420, 384
-- A press this close to the lantern (window pixels) starts a pull.
local GRAB_DISTANCE = 40
MAX_PULL = 120
-- A shorter pull puts the lantern back instead of firing it.
local MIN_PULL = 12
-- The launch speed in units/s per pixel of pull: a full pull throws at 36 units/s.
LAUNCH_SPEED = 0.3
-- The band's two ends: the prongs' tips, relative to the rest point.
local BAND_BACK_X, BAND_FRONT_X, BAND_Y = 12, -12, -6
local BAND_WIDTH = 4
local STRETCH_STEP = 40 -- pixels of pull between two creaks of the band

-- Seconds; the game's own waits, shortened by --speed.
local INTRO_HOLD = 1.2        -- the structure is shown this long before the camera comes back
local AUTOPLAY_DELAY = 0.3
local ATTRACT_DELAY = 1
local SCRIPTED_PULL_TIME = 0.5 -- a pull made by the game is drawn back this long
local END_DELAY = 1.5          -- the result is seen in the world before the end screen

-- Seconds of the world's own time.
local TRAIL_INTERVAL = 0.05
local SLOW_SPEED = 1.5     -- units/s: a lantern this slow has done its work...
local SLOW_TIME = 0.5      -- ...once it stays so for this long
local FLIGHT_LIMIT = 8
local QUIET_TIME = 0.5     -- nothing moved for this long: the structure is still
local SETTLE_LIMIT = 6
-- Autoplay waits this much longer for a world that does not fall asleep by itself: a
-- platform on ropes swings for a long time.
local SLEEP_LIMIT = 3
local WON_SETTLE_LIMIT = 3 -- with no gloomer left, a shorter wait for the last pieces

local UNUSED_LANTERN_BONUS = 3000
local AIM_DOTS = 14
local AIM_DOT_STEP = 0.07 -- seconds of flight between two dots of the aim preview
local WAITING_SPACING = 36 -- pixels between the lanterns waiting on the ground

-- The game in play: module fields rather than locals, so that a reload of this file in
-- developer mode (docs/script-api.md) keeps them. Besides these, nil until a level starts:
--   number     the level being played
--   result     "won" or "lost" once it is over
--   level      the level file's table
--   queue      the lantern kinds, in firing order
--   scripted   a pull the game makes itself: { dx =, dy =, time = drawn back so far }
--   abilityAt  attract mode: the lantern's x (units) at which it is clicked in flight
mode = mode or "player"
phase = phase or "over"
stars = stars or 0                   -- of a won level
finalScore = finalScore or 0         -- the score the level ended with
newBest = newBest or false           -- whether that score is the level's best yet
shotsFired = shotsFired or 0
phaseTime = phaseTime or 0           -- game time in this phase (sped up by --speed)
phaseWorldTime = phaseWorldTime or 0 -- the world's time in this phase
frameStep = frameStep or 0           -- this frame's game time
flying = flying or {}                -- names of the lanterns of the current shot
slowTime, quietTime, trailTime = slowTime or 0, quietTime or 0, trailTime or 0
structureX = structureX or 0         -- world pixels: the middle of the structure
gloomerNames = gloomerNames or {}
pulling = pulling or false
pullX, pullY = pullX or 0, pullY or 0
lastCreak = lastCreak or 0

-- Texts drawn each frame, remade only when what they show changes.
local levelLabel, scoreLabel = "", ""
local labelLocale, labelLevel, labelScore = nil, nil, nil

local function setPhase(name)
    phase = name
    phaseTime = 0
    phaseWorldTime = 0
end

-- The largest downward pull (world pixels) that keeps a lantern of `kind` off the ground.
function lowestPull(kind)
    return -REST_Y - lanterns.KINDS[kind].radius * PIXELS_PER_UNIT - 2
end

-- The pull a mouse at window pixel (x, y) makes, in world pixels from the rest point:
-- at most MAX_PULL long, and never so low that the lantern would touch the ground.
local function pullTowards(x, y)
    local worldX, worldY = camera.toWorld(x, y)
    local dx, dy = worldX - REST_X, worldY - REST_Y
    local length = math.sqrt(dx * dx + dy * dy)
    if length > MAX_PULL then
        dx, dy = dx * MAX_PULL / length, dy * MAX_PULL / length
    end
    return dx, math.min(dy, lowestPull(queue[shotsFired + 1]))
end

local function showStructure()
    camera.lookAt(structureX, 0, screenWidth / 2, screenHeight - 150, true)
end

local function showLauncher()
    camera.lookAt(REST_X, REST_Y, AIM_WINDOW_X, AIM_WINDOW_Y, false)
end

-- Makes the world of `file` and starts playing it: the common start of a level, of a
-- retry, and of the editor's layout (which passes the world it already made).
local function begin(levelFile)
    level = levelFile
    queue = level.lanterns or { "spark", "spark", "spark" }
    setTheme(level.theme or "hills")
    damage.reset()
    shotsFired = 0
    result = nil
    pulling = false
    scripted = nil
    for i = #flying, 1, -1 do
        flying[i] = nil
    end
    gloomerNames = {}
    for name, body in pairs(objects.world) do
        if body.gloomer then
            gloomerNames[#gloomerNames + 1] = name
        end
    end
    local left, right = levels.extent()
    structureX = (left + right) / 2 * PIXELS_PER_UNIT
    setLevelLimits(-30, -100, right + 30, 0)
    camera.setBounds(REST_X - AIM_WINDOW_X, (right + 12) * PIXELS_PER_UNIT)
    setPhysicsEnabled(true)
    log.line("level " .. number .. " started")
    setPhase("intro")
    showStructure()
    camera.snap()
end

-- Starts level n; false when its file did not load.
function start(n, playMode)
    number = n
    mode = playMode
    local levelFile = levels.load(levels.path(n))
    if levelFile == nil then
        return false
    end
    begin(levelFile)
    return true
end

-- Plays the world as it is now, with the lanterns of the level file: the editor's layout.
function startFromWorld(levelFile)
    objects.theme = levelFile.theme
    begin(levelFile)
end

function stop()
    setPhysicsEnabled(false)
    phase = "over"
end

-- Fires the lantern in the launcher with the pull (dx, dy), in pixels: from here on it is
-- a body of the world. The pull is whole pixels, as the printed line has it.
local function launch(dx, dy)
    dx, dy = math.floor(dx + 0.5), math.floor(dy + 0.5)
    shotsFired = shotsFired + 1
    log.line(string.format("shot %d of %d: dx %d dy %d", shotsFired, #queue, dx, dy))
    local name = "lantern" .. shotsFired
    lanterns.spawn(name, queue[shotsFired],
        (REST_X + dx) / PIXELS_PER_UNIT, (REST_Y + dy) / PIXELS_PER_UNIT,
        -dx * LAUNCH_SPEED, -dy * LAUNCH_SPEED)
    flying[1] = name
    startNewTrajectory()
    sound.play("launch")
    pulling, scripted = false, nil
    slowTime, trailTime = 0, 0
    setPhase("flight")
end

-- The lantern the camera follows: the first of the shot that is still there.
local function leadLantern()
    for _, name in ipairs(flying) do
        local lantern = objects.world[name]
        if lantern then
            return lantern
        end
    end
    return nil
end

local function isSlow(lantern)
    return lantern.xVel * lantern.xVel + lantern.yVel * lantern.yVel < SLOW_SPEED * SLOW_SPEED
end

-- A lantern that has done its work goes up in smoke.
local function retire(name)
    local lantern = objects.world[name]
    if lantern then
        particles.addParticles("smoke", 4, lantern.x * PIXELS_PER_UNIT, lantern.y * PIXELS_PER_UNIT, 20, 20, 0)
        removeObject(name)
        objects.world[name] = nil
    end
end

-- Gloomers pushed out of the level pop.
local function popLostGloomers()
    for _, name in ipairs(gloomerNames) do
        local gloomer = objects.world[name]
        if gloomer and (gloomer.frozen or gloomer.y > 1) then
            damage.popLost(gloomer)
        end
    end
end

local function starsFor(score)
    local limits = starTable["level" .. number] or {}
    local count = 0
    for _, limit in ipairs(limits) do
        if score >= limit then
            count = count + 1
        end
    end
    return count
end

local function finish(won)
    result = won and "won" or "lost"
    if won then
        damage.addScore((#queue - shotsFired) * UNUSED_LANTERN_BONUS)
    end
    local score = damage.score()
    finalScore = score
    stars = won and starsFor(score) or 0
    newBest = false
    if won then
        log.line(string.format("level %d won score %d stars %d", number, score, stars))
        if mode ~= "attract" then
            newBest = saves.recordWin(number, score, stars)
        end
        sound.play("win")
    else
        log.line(string.format("level %d lost score %d", number, score))
        sound.play("lose")
    end
    setPhase("over")
    if options.exitOnEnd then
        requestExit()
    end
end

-- After a shot: spent lanterns go, and the level goes on, or ends.
local function endShot()
    for i = #flying, 1, -1 do
        retire(flying[i])
        flying[i] = nil
    end
    if damage.gloomersLeft <= 0 then
        finish(true)
    elseif shotsFired >= #queue then
        finish(false)
    else
        setPhase("aim")
        showLauncher()
    end
end

-- The player's pull: a press by the lantern starts it, the release fires it.
local function playerAim(acceptsClicks)
    if not pulling then
        local x, y = camera.toWindow(REST_X, REST_Y)
        local dx, dy = cursor.x - x, cursor.y - y
        if acceptsClicks and keyPressed.LBUTTON and dx * dx + dy * dy <= GRAB_DISTANCE * GRAB_DISTANCE then
            pulling = true
            lastCreak = 0
        end
        return
    end
    pullX, pullY = pullTowards(cursor.x, cursor.y)
    local length = math.sqrt(pullX * pullX + pullY * pullY)
    if length >= lastCreak + STRETCH_STEP then
        lastCreak = lastCreak + STRETCH_STEP
        sound.play("stretch", 0.7)
    end
    if not keyHold.LBUTTON then
        if length >= MIN_PULL then
            launch(pullX, pullY)
        else
            pulling = false
        end
    end
end

-- Autoplay's and attract mode's pull: chosen once the world is still, drawn back, fired.
local function scriptedAim()
    if scripted == nil then
        local delay = mode == "attract" and ATTRACT_DELAY or AUTOPLAY_DELAY
        -- Autoplay fires only at a world that sleeps, so that the shot meets it the same
        -- way at any speed.
        local waking = mode == "autoplay" and hasAwakeObjects and phaseWorldTime < SLEEP_LIMIT
        if phaseTime < delay or not camera.hasArrived() or waking then
            return
        end
        local shot = level.solution and level.solution[shotsFired + 1]
        if mode == "attract" or shot == nil then
            -- Past the recorded shots, autoplay aims as attract mode does, without clicks in
            -- flight: the printed pulls then replay it.
            local dx, dy, clickAt = attract.chooseShot(queue[shotsFired + 1])
            scripted = { dx = dx, dy = dy, time = 0 }
            abilityAt = mode == "attract" and clickAt or nil
        else
            scripted = { dx = shot.dx, dy = shot.dy, time = 0 }
            abilityAt = nil
        end
        pulling = true
    end
    scripted.time = scripted.time + frameStep
    local share = math.min(1, scripted.time / SCRIPTED_PULL_TIME)
    pullX, pullY = scripted.dx * share, scripted.dy * share
    if share >= 1 then
        launch(scripted.dx, scripted.dy)
    end
end

local function updateIntro(acceptsClicks)
    if phaseTime >= INTRO_HOLD or (acceptsClicks and keyPressed.LBUTTON and mode == "player") then
        setPhase("aim")
        showLauncher()
    end
end

local function updateFlight(dt, acceptsClicks)
    local lead = leadLantern()
    local allSlow = true
    for i = #flying, 1, -1 do
        local lantern = objects.world[flying[i]]
        if lantern == nil then
            table.remove(flying, i)
        elseif lantern.frozen then
            retire(flying[i])
            table.remove(flying, i)
        elseif not isSlow(lantern) then
            allSlow = false
        end
    end
    if lead then
        camera.lookAt(lead.x * PIXELS_PER_UNIT, lead.y * PIXELS_PER_UNIT, FOLLOW_WINDOW_X, FOLLOW_WINDOW_Y, true)
        trailTime = trailTime + dt
        if trailTime >= TRAIL_INTERVAL and not lead.hasHit then
            trailTime = 0
            addToTrajectory(0, lead.x * PIXELS_PER_UNIT, lead.y * PIXELS_PER_UNIT)
        end
        local click = mode == "player" and acceptsClicks and keyPressed.LBUTTON
        local due = abilityAt and lead.x >= abilityAt
        if (click or due) and not lead.used and not lead.hasHit then
            lead.used = true
            abilityAt = nil
            lanterns.activate(lead, flying)
        end
    end
    slowTime = allSlow and slowTime + dt or 0
    if slowTime >= SLOW_TIME or phaseWorldTime >= FLIGHT_LIMIT then
        quietTime = 0
        setPhase("settle")
        showStructure()
    end
end

-- Autoplay waits until every body sleeps, so that each shot meets the same world; a player
-- only until nothing visibly moves.
local function isStill()
    if mode == "autoplay" then
        return not hasAwakeObjects
    end
    return not hasMovingObjects
end

local function updateSettle(dt)
    quietTime = isStill() and quietTime + dt or 0
    local limit = damage.gloomersLeft <= 0 and WON_SETTLE_LIMIT or SETTLE_LIMIT
    if quietTime >= QUIET_TIME or phaseWorldTime >= limit then
        endShot()
    end
end

-- One frame of play. acceptsClicks is false while the pointer is on the pause button.
function update(dt, acceptsClicks)
    frameStep = dt * options.speed
    phaseTime = phaseTime + frameStep
    phaseWorldTime = phaseWorldTime + dt
    popLostGloomers()
    if damage.gloomersLeft <= 0 and (phase == "intro" or phase == "aim") then
        -- The last gloomer went after the shot was over (a late fall): the level is won.
        pulling, scripted = false, nil
        setPhase("settle")
        showStructure()
    end
    if phase == "intro" then
        updateIntro(acceptsClicks)
    elseif phase == "aim" then
        if mode == "player" then
            playerAim(acceptsClicks)
        else
            scriptedAim()
        end
    elseif phase == "flight" then
        updateFlight(dt, acceptsClicks)
    elseif phase == "settle" then
        updateSettle(dt)
    end
    camera.update(dt, true)
end

-- Whether the level has ended and its result has been seen long enough.
function isFinished()
    return phase == "over" and result ~= nil and phaseTime >= END_DELAY
end

-- Drawing ---------------------------------------------------------------------------

local function drawBand(toX, toY)
    drawLine2D(REST_X + BAND_BACK_X, REST_Y + BAND_Y, toX, toY, BAND_WIDTH, 92, 60, 36, 255)
end

local function drawBandFront(toX, toY)
    drawLine2D(REST_X + BAND_FRONT_X, REST_Y + BAND_Y, toX, toY, BAND_WIDTH, 120, 80, 46, 255)
end

-- The path a release now would take, while pulling.
local function drawAimPreview()
    local x0, y0 = (REST_X + pullX) / PIXELS_PER_UNIT, (REST_Y + pullY) / PIXELS_PER_UNIT
    local vx, vy = -pullX * LAUNCH_SPEED, -pullY * LAUNCH_SPEED
    for i = 1, AIM_DOTS do
        local t = i * AIM_DOT_STEP
        local x = (x0 + vx * t) * PIXELS_PER_UNIT
        local y = (y0 + vy * t + GRAVITY / 2 * t * t) * PIXELS_PER_UNIT
        if y > 0 then
            break
        end
        res.drawSprite(i % 2 == 0 and "TRAIL_WHITE_2" or "TRAIL_WHITE_3", x, y)
    end
end

-- The launcher, and the lantern sitting in it while aiming; in world pixels.
local function drawLauncher()
    local ready = phase == "aim" or phase == "intro"
    local kind = ready and queue[shotsFired + 1]
    local x, y = REST_X, REST_Y
    if pulling then
        x, y = REST_X + pullX, REST_Y + pullY
        drawAimPreview()
    end
    res.drawSprite("launcher_back", REST_X + 4, 0)
    drawBand(kind and x or REST_X + BAND_FRONT_X, kind and y or REST_Y + BAND_Y)
    if kind then
        res.drawSprite(lanterns.KINDS[kind].sprite, x, y)
    end
    res.drawSprite("launcher_front", REST_X - 4, 0)
    if kind then
        drawBandFront(x, y)
    end
end

-- The lanterns still to come, in a row on the ground behind the launcher.
local function drawWaiting()
    local first = shotsFired + 2
    if phase ~= "aim" and phase ~= "intro" then
        first = shotsFired + 1
    end
    for i = first, #queue do
        local k = lanterns.KINDS[queue[i]]
        local x = REST_X - 40 - (i - first) * WAITING_SPACING
        res.drawSprite(k.sprite, x, -k.radius * PIXELS_PER_UNIT)
    end
end

local function updateLabels()
    local locale = res.getLocale()
    local score = damage.score()
    if locale ~= labelLocale or number ~= labelLevel then
        levelLabel = res.getString(TEXTS, "HUD_LEVEL") .. " " .. number
    end
    if locale ~= labelLocale or score ~= labelScore then
        scoreLabel = res.getString(TEXTS, "HUD_SCORE") .. " " .. string.format("%d", score)
    end
    labelLocale, labelLevel, labelScore = locale, number, score
end

local function drawHud()
    ui.windowPixels()
    updateLabels()
    ui.bodyFont()
    ui.plain(levelLabel, 24, 20, "TOP", "LEFT")
    ui.plain(scoreLabel, 24, 50, "TOP", "LEFT")
    -- Below the score, clear of the pause button.
    local hintY = 96
    if mode == "attract" then
        ui.text(options.attract and "HUD_DEMO_RUNNING" or "HUD_DEMO", screenWidth / 2, hintY)
    elseif number == 1 and shotsFired == 0 and phase == "aim" then
        ui.text("HUD_AIM_HINT", screenWidth / 2, hintY)
    elseif number == 1 and phase == "flight" then
        ui.text("HUD_FLIGHT_HINT", screenWidth / 2, hintY)
    end
end

function draw()
    drawBackgroundNative()
    drawGameNative()
    camera.worldPixels()
    drawLauncher()
    drawWaiting()
    drawForegroundNative()
    drawHud()
end

-- Drawing without the HUD, for the editor.
function drawWorld()
    drawBackgroundNative()
    drawGameNative()
    drawForegroundNative()
end
