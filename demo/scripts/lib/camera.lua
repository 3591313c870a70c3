-- The view: its top-left corner in world pixels (20 a unit, y down) and its zoom. A
-- window pixel shows the world pixel topLeft + pixel / zoom.
--
-- The camera is told what to look at: a world point and the window pixel it should be
-- seen at. It eases there, and keeps that point in place while the mouse wheel zooms.

local MIN_ZOOM = 0.5
local MAX_ZOOM = 1.5
local WHEEL_STEP = 0.1  -- zoom per notch
local EASE = 4          -- per second: the share of the way to the target covered is 1 - e^(-EASE t)
local ZOOM_EASE = 8
local ARRIVED = 0.5     -- world pixels: close enough to stop easing

-- When bounded, the view shows at most this many window pixels below the ground line and
-- nothing left of what aiming shows.
local GROUND_SHOWN = 150
local TOP_LIMIT = -2400

-- What the camera does now: module fields rather than locals, so that a reload of this
-- file in developer mode (docs/script-api.md) keeps them.
left, top, zoom = left or 0, top or 0, zoom or 1
targetZoom = targetZoom or 1
focusX, focusY = focusX or 0, focusY or 0     -- the world point looked at
screenX, screenY = screenX or 0, screenY or 0 -- where in the window it is seen
bounded = bounded or false
minLeft, maxLeft = minLeft or -math.huge, maxLeft or math.huge

function lookAt(worldX, worldY, windowX, windowY, isBounded)
    focusX, focusY = worldX, worldY
    screenX, screenY = windowX, windowY
    bounded = isBounded
end

-- Moves the point looked at by (dx, dy) world pixels.
function pan(dx, dy)
    focusX, focusY = focusX + dx, focusY + dy
end

-- The left and right edges (world pixels) a bounded view stays within.
function setBounds(leftEdge, rightEdge)
    minLeft, maxLeft = leftEdge, rightEdge
end

local function wanted()
    local x = focusX - screenX / zoom
    local y = focusY - screenY / zoom
    if bounded then
        x = math.max(minLeft, math.min(x, maxLeft - screenWidth / zoom))
        y = math.max(TOP_LIMIT, math.min(y, (GROUND_SHOWN - screenHeight) / zoom))
    end
    return x, y
end

function snap()
    zoom = targetZoom
    left, top = wanted()
end

local function setZoom(value)
    targetZoom = math.max(MIN_ZOOM, math.min(MAX_ZOOM, value))
end

-- Whether the view has come to what it was told to look at.
function hasArrived()
    local x, y = wanted()
    return math.abs(x - left) < ARRIVED and math.abs(y - top) < ARRIVED and zoom == targetZoom
end

function update(dt, wheelZooms)
    if wheelZooms and cursor.wheelTriggered then
        setZoom(targetZoom + cursor.wheel * WHEEL_STEP)
    end
    zoom = zoom + (targetZoom - zoom) * (1 - math.exp(-ZOOM_EASE * dt))
    if math.abs(targetZoom - zoom) < 0.002 then
        zoom = targetZoom
    end
    local x, y = wanted()
    local share = 1 - math.exp(-EASE * dt)
    left = left + (x - left) * share
    top = top + (y - top) * share
    if math.abs(x - left) < ARRIVED and math.abs(y - top) < ARRIVED then
        left, top = x, y
    end
    setTopLeft(left, top)
    setWorldScale(zoom)
end

-- Immediate drawing in world pixels, as the world is drawn.
function worldPixels()
    setRenderState(-left, -top, zoom, zoom)
end

function toWindow(worldX, worldY)
    return (worldX - left) * zoom, (worldY - top) * zoom
end

function toWorld(windowX, windowY)
    return left + windowX / zoom, top + windowY / zoom
end
