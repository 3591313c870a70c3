-- The screens: title, level select, play, pause, settings, the level's end, and the
-- editor of --dev builds. Each is a function that draws its screen and answers its input
-- for one frame; show() changes the screen and prints "screen NAME".
--
-- Every button sits at a fixed window pixel of the 1024 x 768 window; the positions below
-- are the game's layout, which the tests click.

local PAUSE_X, PAUSE_Y = 984, 40
local CELL_X = { 192, 352, 512, 672, 832 }
local CELL_Y = { 300, 500 }
local CELL_STAR_SIZE = 28
local ATTRACT_AFTER = 30 -- idle seconds on the title before the game plays itself
-- The menus look at the hills from a fixed place, the ground line 150 pixels above the
-- window's bottom.
local MENU_LEFT, MENU_TOP = -200, -618
local VOLUME_SEGMENTS = 10

-- Where the game is: module fields rather than locals, so that a reload of this file in
-- developer mode (docs/script-api.md) keeps them. `current`, the screen shown, is set on
-- the first frame.
started = started or false
settingsReturn = settingsReturn or "title" -- where the settings' Back leads: "title" or "pause"
idle = idle or 0                           -- seconds without input on the title

local lastCursorX, lastCursorY = 0, 0
local levelNames = {} -- "1" .. "10", made when first drawn
local scoreTexts = {} -- per level: { score =, text = }, the best score as drawn
-- The end panel's lines, for the level, score and language they were made for.
local endTexts = { locale = nil, level = nil, value = nil, score = "", best = "" }

local function isMenu(name)
    return name == "title" or name == "levels" or (name == "settings" and settingsReturn == "title")
end

function show(name)
    current = name
    if isMenu(name) then
        setTheme("hills")
    end
    log.line("screen " .. name)
end

-- Input --------------------------------------------------------------------------------

local function anyKeyOrClick()
    for _, pressed in pairs(keyPressed) do
        if pressed then
            return true
        end
    end
    return false
end

local function pointerMoved()
    local moved = cursor.x ~= lastCursorX or cursor.y ~= lastCursorY
    lastCursorX, lastCursorY = cursor.x, cursor.y
    return moved or cursor.wheelTriggered
end

-- Moving between screens -----------------------------------------------------------------

local function startLevel(n, mode)
    if play.start(n, mode) then
        show("play")
    else
        show("levels")
    end
end

local function startAttract(fromLaunchOption)
    attract.start(fromLaunchOption)
    show("play")
end

local function pause()
    setPhysicsEnabled(false)
    show("pause")
end

local function resume()
    setPhysicsEnabled(true)
    show("play")
end

local function leavePlay(screen)
    play.stop()
    show(screen)
end

local function openSettings(from)
    settingsReturn = from
    show("settings")
end

-- The window lost the focus: a level played by hand waits in the pause menu.
function focusLost()
    if current == "play" and play.mode == "player" and not attract.active then
        pause()
    end
end

-- Drawing shared by the screens ------------------------------------------------------------

local function menuBackdrop()
    setTopLeft(MENU_LEFT, MENU_TOP)
    setWorldScale(1)
    drawBackgroundNative()
    drawForegroundNative()
    ui.windowPixels()
end

local function heading(id, y)
    ui.titleFont()
    ui.text(id, screenWidth / 2, y)
    ui.bodyFont()
end

-- The best score of level n as text, remade only when it changes.
local function bestScoreText(n, score)
    local cached = scoreTexts[n]
    if cached == nil or cached.score ~= score then
        cached = { score = score, text = string.format("%d", score) }
        scoreTexts[n] = cached
    end
    return cached.text
end

-- The screens ---------------------------------------------------------------------------------

local function titleScreen(dt)
    menuBackdrop()
    heading("TITLE", 24)
    res.drawSprite("title_emblem", screenWidth / 2, 200, "VCENTER", "HCENTER")
    local playClicked = ui.button("MENU_PLAY", 512, 430)
    local settingsClicked = ui.button("MENU_SETTINGS", 512, 500)
    local quitClicked = ui.button("MENU_QUIT", 512, 570)
    ui.panel(screenWidth / 2, 680, 960, 150) -- the story over the ground would be hard to read
    ui.paragraph("FLAVOUR", screenWidth / 2, 614, 900, 26)

    if playClicked then
        show("levels")
    elseif settingsClicked then
        openSettings("title")
    elseif quitClicked or keyPressed.ESCAPE then
        requestExit()
    end
    if pointerMoved() or anyKeyOrClick() then
        idle = 0
    else
        idle = idle + dt
    end
    if idle >= ATTRACT_AFTER and current == "title" then
        idle = 0
        startAttract(false)
    end
end

-- One level's cell: its number, stars and best score, or a lock. Returns true when clicked.
local function levelCell(n, x, y)
    if not saves.isUnlocked(n) then
        res.drawSprite("button_small", x, y, "VCENTER", "HCENTER")
        res.drawSprite("lock", x, y, "VCENTER", "HCENTER")
        return false
    end
    levelNames[n] = levelNames[n] or tostring(n)
    local clicked = ui.smallButton(nil, x, y, levelNames[n])
    local best = saves.best(n)
    ui.stars(best and best.stars or 0, x, y + 50, CELL_STAR_SIZE)
    if best then
        ui.plain(bestScoreText(n, best.score), x, y + 70)
    end
    return clicked
end

local function levelsScreen()
    menuBackdrop()
    heading("LEVELS_TITLE", 140)
    local chosen = nil
    for n = 1, LEVEL_COUNT do
        local x = CELL_X[(n - 1) % #CELL_X + 1]
        local y = CELL_Y[math.floor((n - 1) / #CELL_X) + 1]
        if levelCell(n, x, y) then
            chosen = n
        end
    end
    local back = ui.button("MENU_BACK", 512, 680)
    if chosen then
        startLevel(chosen, "player")
    elseif back or keyPressed.ESCAPE then
        show("title")
    end
end

local function playScreen(dt)
    if attract.active and not attract.sticky and anyKeyOrClick() then
        attract.stop()
        show("title")
        return
    end
    local byHand = not attract.active
    play.update(dt, not (byHand and ui.isOver(PAUSE_X, PAUSE_Y, ui.SMALL_BUTTON, ui.SMALL_BUTTON)))
    play.draw()
    if attract.active then
        if play.isFinished() then
            attract.nextLevel()
        end
        return
    end
    local pauseClicked = ui.smallButton("icon_pause", PAUSE_X, PAUSE_Y)
    if pauseClicked or keyPressed.ESCAPE then
        pause()
    elseif options.dev and keyPressed.F2 then
        editor.enter(play.number)
        show("editor")
    elseif play.isFinished() then
        show("end")
    end
end

local function pauseScreen()
    play.draw()
    ui.shade()
    ui.panel(512, 420, 480, 400)
    heading("PAUSE_TITLE", 240)
    local resumeClicked = ui.button("PAUSE_RESUME", 512, 330)
    local retryClicked = ui.button("PAUSE_RETRY", 512, 400, nil, "icon_retry")
    local levelsClicked = ui.button("PAUSE_LEVELS", 512, 470, nil, "icon_levels")
    local settingsClicked = ui.button("MENU_SETTINGS", 512, 540)
    if resumeClicked or keyPressed.ESCAPE then
        resume()
    elseif retryClicked then
        startLevel(play.number, play.mode)
    elseif levelsClicked then
        leavePlay("levels")
    elseif settingsClicked then
        openSettings("pause")
    end
end

-- The volume as a row of segments between the - and + buttons.
local function volumeBar(y)
    local lit = math.floor(settings.volume * VOLUME_SEGMENTS + 0.5)
    local width, gap = 11, 3
    local left = 512 - (VOLUME_SEGMENTS * (width + gap) - gap) / 2
    for i = 1, VOLUME_SEGMENTS do
        local x = left + (i - 1) * (width + gap)
        local shade = i <= lit and 1 or 0.3
        drawRect(shade, shade * 0.85, shade * 0.45, 1, x, y - 14, x + width, y + 14, false)
    end
end

local function settingsScreen()
    if settingsReturn == "pause" then
        play.draw()
        ui.shade()
    else
        menuBackdrop()
    end
    ui.panel(512, 410, 480, 460)
    heading("SETTINGS_TITLE", 196)
    ui.text("SETTINGS_VOLUME", 512, 268)
    local quieter = ui.smallButton(nil, 412, 330, "-")
    local louder = ui.smallButton(nil, 612, 330, "+")
    volumeBar(330)
    local soundOn = settings.audioEnabled
    local muteClicked = ui.button(soundOn and "SETTINGS_SOUND_ON" or "SETTINGS_SOUND_OFF", 512, 400, nil,
        soundOn and "icon_sound_on" or "icon_sound_off")
    local languageClicked = ui.button("SETTINGS_LANGUAGE", 512, 470)
    local back = ui.button("MENU_BACK", 512, 600)
    if quieter then
        sound.setVolume(settings.volume - 0.1)
    elseif louder then
        sound.setVolume(settings.volume + 0.1)
    elseif muteClicked then
        sound.setMuted(settings.audioEnabled)
    elseif languageClicked then
        saves.nextLanguage()
    elseif back or keyPressed.ESCAPE then
        show(settingsReturn)
    end
end

-- The end panel's score lines, remade only when they change.
local function updateEndTexts()
    local locale = res.getLocale()
    if endTexts.locale == locale and endTexts.level == play.number and endTexts.value == play.finalScore then
        return
    end
    local best = saves.best(play.number)
    endTexts.locale, endTexts.level, endTexts.value = locale, play.number, play.finalScore
    endTexts.score = res.getString(TEXTS, "END_SCORE") .. " " .. string.format("%d", play.finalScore)
    endTexts.best = best and res.getString(TEXTS, "END_BEST") .. " " .. string.format("%d", best.score) or ""
end

local function endScreen(dt)
    play.update(dt, false)
    play.draw()
    ui.shade()
    ui.panel(512, 430, 480, 360)
    local won = play.result == "won"
    heading(won and "END_WON" or "END_LOST", 270)
    updateEndTexts()
    if won then
        ui.stars(play.stars, 512, 365, 40)
    end
    ui.plain(endTexts.score, 512, 410)
    if play.newBest then
        ui.text("END_NEW_BEST", 512, 445)
    else
        ui.plain(endTexts.best, 512, 445)
    end
    local retryClicked = ui.button("END_RETRY", 412, 560, 180, "icon_retry")
    local nextClicked = won and play.number < LEVEL_COUNT and ui.button("END_NEXT", 612, 560, 180, "icon_next")
    local levelsClicked = ui.button("END_LEVELS", 512, 640, nil, "icon_levels")
    if retryClicked then
        startLevel(play.number, "player")
    elseif nextClicked then
        startLevel(play.number + 1, "player")
    elseif levelsClicked or keyPressed.ESCAPE then
        leavePlay("levels")
    end
end

local function editorScreen(dt)
    editor.update(dt)
    if keyPressed.F2 or keyPressed.ESCAPE then
        editor.leave()
        show("play")
    end
end

local SCREENS = {
    title = titleScreen,
    levels = levelsScreen,
    play = playScreen,
    pause = pauseScreen,
    settings = settingsScreen,
    ["end"] = endScreen,
    editor = editorScreen,
}

-- The first frame: the start-up is complete, the saved language can be applied and the
-- launch options choose the first screen.
local function begin()
    started = true
    saves.applySavedLanguage()
    if options.attract then
        startAttract(true)
    elseif options.level then
        startLevel(math.max(1, math.min(LEVEL_COUNT, options.level)), options.autoplay and "autoplay" or "player")
    else
        show("title")
    end
end

function update(dt)
    if not started then
        begin()
    end
    SCREENS[current](dt)
end
