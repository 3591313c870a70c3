-- The level editor of --dev builds, opened with F2 while playing. The level is made again
-- as its file has it and the physics stops; blocks are dragged with the mouse, added from
-- the palette along the bottom (press on one and drag it into place), turned with R and
-- removed with Delete. S saves with saveLevel to levels/edited.lua; F2 plays the layout.
-- The arrow keys and the mouse wheel move and zoom the view.

local PALETTE = {
    "bamboo_beam", "bamboo_plank", "bamboo_square", "bamboo_post", "bamboo_small", "bamboo_ball",
    "stone_beam", "stone_plank", "stone_square", "stone_post", "stone_small", "stone_ball",
    "paper_beam", "paper_plank", "paper_square", "paper_post", "paper_small", "paper_ball",
    "gloomer", "gloomer_big",
}
local SLOT = 48       -- palette slot, pixels
local ICON = 40       -- the largest side of a palette picture
local PALETTE_Y = 736
local TURN = math.pi / 2
local PAN_SPEED = 600 -- world pixels per second
local SAVED_NOTICE = 2 -- seconds the "saved" notice stays

-- The editing: module fields rather than locals, so that a reload of this file in
-- developer mode (docs/script-api.md) keeps them. Besides these:
--   level     the level file being edited
--   selected  the name of the body being dragged or last touched
grabX, grabY = grabX or 0, grabY or 0 -- the grab point's offset from the body's centre, units
dragging = dragging or false
added = added or 0                    -- bodies added so far, for their names
savedNotice = savedNotice or 0        -- seconds the "saved" notice still shows

function enter(n)
    level = levels.load(levels.path(n))
    setPhysicsEnabled(false)
    setEditing(true)
    selected, dragging = nil, false
    local left, right = levels.extent()
    camera.lookAt((left + right) / 2 * PIXELS_PER_UNIT, 0, screenWidth / 2, screenHeight - 150, false)
    camera.snap()
end

-- Plays the layout as it is now.
function leave()
    setEditing(false)
    play.startFromWorld(level)
end

local function paletteSlotX(i)
    return screenWidth / 2 + (i - (#PALETTE + 1) / 2) * SLOT
end

-- Whether world point (x, y) in units lies on the body.
local function isOn(body, x, y)
    local dx, dy = x - body.x, y - body.y
    if body.radius then
        return dx * dx + dy * dy <= body.radius * body.radius
    end
    local c, s = math.cos(body.angle), math.sin(body.angle)
    local alongX = dx * c + dy * s
    local alongY = -dx * s + dy * c
    return math.abs(alongX) <= body.width / 2 and math.abs(alongY) <= body.height / 2
end

local function bodyAt(x, y)
    for name, body in pairs(objects.world) do
        if body.definition ~= "ground" and isOn(body, x, y) then
            return name
        end
    end
    return nil
end

local function newName()
    local name
    repeat
        added = added + 1
        name = "added" .. added
    until objects.world[name] == nil
    return name
end

local function cursorInUnits()
    local x, y = camera.toWorld(cursor.x, cursor.y)
    return x / PIXELS_PER_UNIT, y / PIXELS_PER_UNIT
end

local function pressOnPalette()
    if math.abs(cursor.y - PALETTE_Y) > SLOT / 2 then
        return false
    end
    for i, definition in ipairs(PALETTE) do
        if math.abs(cursor.x - paletteSlotX(i)) <= SLOT / 2 then
            local x, y = cursorInUnits()
            local body = levels.createBody(newName(), definition, x, y, 0)
            selected, dragging = body.name, true
            grabX, grabY = 0, 0
            return true
        end
    end
    return false
end

local function press()
    if pressOnPalette() then
        return
    end
    local x, y = cursorInUnits()
    selected = bodyAt(x, y)
    if selected then
        local body = objects.world[selected]
        dragging = true
        grabX, grabY = x - body.x, y - body.y
    end
end

-- saveLevel writes the engine's fields of a level; the lanterns are the game's own and are
-- added to the file in the same form. The engine's working directory is the data
-- directory, where saveLevel writes.
local function save()
    local file = levelPath .. "/edited"
    createDirectory(levelPath) -- a bundled game has no loose levels folder
    saveLevel(file)
    local out = io.open(file .. ".lua", "a")
    if out then
        out:write('lanterns = { "' .. table.concat(level.lanterns or {}, '", "') .. '" }\n')
        out:close()
    end
    log.line("editor: level saved to " .. file .. ".lua")
    savedNotice = SAVED_NOTICE
end

local function edit()
    if keyPressed.LBUTTON then
        press()
    end
    if dragging then
        if keyHold.LBUTTON then
            local x, y = cursorInUnits()
            setPosition(selected, x - grabX, y - grabY)
        else
            dragging = false
        end
    end
    if selected and objects.world[selected] then
        if keyPressed.R then
            setRotation(selected, objects.world[selected].angle + TURN)
        elseif keyPressed.DELETE then
            removeObject(selected)
            objects.world[selected] = nil
            selected, dragging = nil, false
        end
    end
    if keyPressed.S then
        save()
    end
end

local function moveView(dt)
    local step = PAN_SPEED * dt / camera.zoom
    if keyHold.LEFT then
        camera.pan(-step, 0)
    elseif keyHold.RIGHT then
        camera.pan(step, 0)
    end
    if keyHold.UP then
        camera.pan(0, -step)
    elseif keyHold.DOWN then
        camera.pan(0, step)
    end
    camera.update(dt, true)
end

local function drawPalette()
    drawRect(0.05, 0.03, 0.1, 0.7, 0, PALETTE_Y - SLOT / 2 - 4, screenWidth, screenHeight, false)
    for i, definition in ipairs(PALETTE) do
        local sprite = blockTable.definitions[definition].sprite
        local width, height = res.getSpriteBounds(sprite)
        local scale = math.min(1, ICON / math.max(width, height))
        ui.stretched(sprite, paletteSlotX(i), PALETTE_Y, width * scale, height * scale)
    end
end

local function drawSelection()
    local body = selected and objects.world[selected]
    if body then
        local x, y = camera.toWindow(body.x * PIXELS_PER_UNIT, body.y * PIXELS_PER_UNIT)
        drawRect(1, 0.85, 0.3, 0.9, x - 4, y - 4, x + 4, y + 4, false)
    end
end

function update(dt)
    moveView(dt)
    edit()
    play.drawWorld()
    ui.windowPixels()
    drawPalette()
    drawSelection()
    ui.bodyFont()
    ui.paragraph("EDITOR_HELP", screenWidth / 2, 12, screenWidth - 80, 26)
    if savedNotice > 0 then
        savedNotice = savedNotice - dt
        ui.text("EDITOR_SAVED", screenWidth / 2, 70)
    end
end
