-- Level files, and how one becomes the bodies and joints of the world.
--
-- A level file is Lua data in the form saveLevel writes (docs/formats.md), with the game's
-- own fields beside it:
--
--   theme     "hills" or "frost", a key of blockTable.themes
--   lanterns  the lanterns in the order they are fired: "spark", "ember" or "flare"
--   solution  the pulls that win it, { dx =, dy = } in pixels, fired by --autoplay
--   world     every body by name: { name =, definition =, x =, y =, angle = }; the
--             definition is a key of blockTable.definitions, x and y are units (y up is
--             negative, the ground line is y = 0), the angle is radians
--   joints    by name, as createJoint takes them. They use coordType 2, whose anchors stay
--             local to the bodies, so the table saveLevel writes back loads the same.

-- The engine gives every box a rounded skin this thick (units) around the size it is made
-- with; boxes are made smaller by it, so that they touch where their sprites do.
local SKIN = 0.1

-- levels/levelN, as loadLevel and saveLevel name it (without ".lua").
function path(n)
    return levelPath .. "/level" .. n
end

local function sortedKeys(t)
    local keys = {}
    for key in pairs(t) do
        keys[#keys + 1] = key
    end
    table.sort(keys)
    return keys
end

-- Makes one body of a definition. Its table in objects.world gets the definition's rules:
-- material, strength and defence (read by the engine's collision rules), and gloomer.
function createBody(name, definitionName, x, y, angle)
    local definition = blockTable.definitions[definitionName]
    if definition == nil then
        log.line("level: " .. name .. " has the unknown definition " .. tostring(definitionName))
        return nil
    end
    local sprite = definition.sprite or ""
    if definition.radius then
        createCircle(name, sprite, x, y, definition.radius, definition.density, definition.friction,
            definition.restitution, false, definition.zOrder)
        setMaterial(name, definition.material) -- a rolling ball sounds like its material
    else
        createBox(name, sprite, x, y, definition.width - 2 * SKIN, definition.height - 2 * SKIN,
            definition.density, definition.friction, definition.restitution, true, false, definition.zOrder)
    end
    if angle ~= 0 then
        setRotation(name, angle)
    end
    local body = objects.world[name]
    body.definition = definitionName
    body.material = definition.material
    body.strength = definition.strength
    body.defence = definition.defence
    body.gloomer = definition.gloomer
    return body
end

-- Loads level file `file` (a path without ".lua") and makes its world. Returns the file's
-- table, or nil when it did not load.
function load(file)
    -- loadLevel binds the tables that exist now for the collision rules to fill. They are
    -- the game's globals: a module's own assignments would stay in the module.
    objects.world = {}
    objects.joints = {}
    this.deadBlocks = {}
    this.scoreTable = { blocks = { score = 0 } }
    this.loadedObjects = nil
    loadLevel(file)
    local level = loadedObjects
    if level == nil or level.world == nil then
        return nil
    end
    objects.theme = level.theme
    -- Sorted, so that the world is made in the same order every time and a recorded
    -- solution plays out the same.
    for _, name in ipairs(sortedKeys(level.world)) do
        local entry = level.world[name]
        createBody(name, entry.definition, entry.x, entry.y, entry.angle or 0)
    end
    for _, name in ipairs(sortedKeys(level.joints or {})) do
        createJoint(level.joints[name])
    end
    return level
end

-- How far a level's bodies reach left and right, in units, the ground left out.
function extent()
    local left, right = math.huge, -math.huge
    for _, body in pairs(objects.world) do
        if body.definition ~= "ground" then
            local half = body.radius or math.max(body.width, body.height) / 2
            left = math.min(left, body.x - half)
            right = math.max(right, body.x + half)
        end
    end
    return left, right
end
