-- Drawing in window pixels: texts, panels and the buttons of the menus. A button is drawn
-- and tested in one call and answers true in the frame it is clicked, so a screen reads
-- as the list of what it shows.

BUTTON_WIDTH = 240
BUTTON_HEIGHT = 56
SMALL_BUTTON = 56

-- Not a text set: res.drawString then draws the id itself. Numbers and other texts made
-- while playing are drawn this way.
local PLAIN = ""

-- Immediate drawing after the world's drawing must start from window pixels again.
function windowPixels()
    setRenderState(0, 0, 1, 1)
end

function bodyFont()
    res.useFont("body")
end

function titleFont()
    res.useFont("title")
end

-- A text of texts.tsv by id; anchors as res.drawString takes them.
function text(id, x, y, vertical, horizontal)
    res.drawString(TEXTS, id, x, y, vertical or "TOP", horizontal or "HCENTER")
end

-- A text made while playing, such as a score.
function plain(value, x, y, vertical, horizontal)
    res.drawString(PLAIN, value, x, y, vertical or "TOP", horizontal or "HCENTER")
end

-- Whether the pointer is in the rectangle of width x height centred on (x, y).
function isOver(x, y, width, height)
    return math.abs(cursor.x - x) <= width / 2 and math.abs(cursor.y - y) <= height / 2
end

function isClicked(x, y, width, height)
    return keyPressed.LBUTTON and isOver(x, y, width, height)
end

-- Darkens what is behind a menu.
function shade()
    drawRect(0.05, 0.03, 0.1, 0.55, 0, 0, screenWidth, screenHeight, false)
end

-- A sprite stretched to width x height, centred on (x, y). (The engine places a stretched
-- sprite's anchors by its own size, so the corner is given instead.)
function stretched(sprite, x, y, width, height)
    res.drawSprite(sprite, x - width / 2, y - height / 2, "TOP", "LEFT", width, height)
end

-- The rounded panel, stretched to width x height around (x, y).
function panel(x, y, width, height)
    stretched("panel", x, y, width, height)
end

-- A wide button with a text of texts.tsv and, when given, an icon sprite at its left end;
-- width defaults to the sprite's own.
function button(id, x, y, width, icon)
    width = width or BUTTON_WIDTH
    local sprite = isOver(x, y, width, BUTTON_HEIGHT) and "button_hover" or "button"
    stretched(sprite, x, y, width, BUTTON_HEIGHT)
    if icon then
        res.drawSprite(icon, x - width / 2 + BUTTON_HEIGHT / 2 + 4, y, "VCENTER", "HCENTER")
    end
    text(id, x, y, "VCENTER", "HCENTER")
    return clickedWithSound(x, y, width, BUTTON_HEIGHT)
end

-- A square button showing an icon sprite, or a plain text when label is given.
function smallButton(icon, x, y, label)
    local over = isOver(x, y, SMALL_BUTTON, SMALL_BUTTON)
    res.drawSprite(over and "button_small_hover" or "button_small", x, y, "VCENTER", "HCENTER")
    if label then
        plain(label, x, y, "VCENTER", "HCENTER")
    else
        res.drawSprite(icon, x, y, "VCENTER", "HCENTER")
    end
    return clickedWithSound(x, y, SMALL_BUTTON, SMALL_BUTTON)
end

function clickedWithSound(x, y, width, height)
    if isClicked(x, y, width, height) then
        sound.click()
        return true
    end
    return false
end

-- Three stars side by side centred on (x, y), `count` of them lit, each size x size pixels.
function stars(count, x, y, size)
    for i = 1, 3 do
        local sprite = i <= count and "star_on" or "star_off"
        stretched(sprite, x + (i - 2) * size * 1.1, y, size, size)
    end
end

-- A text of texts.tsv wrapped to width pixels in the current font, one line every
-- lineHeight pixels from y down. The lines are kept until the language changes: wrapping
-- makes tables, which a frame should not.
local wrapped = {}

function paragraph(id, x, y, width, lineHeight)
    local language = res.getLocale()
    local cached = wrapped[id]
    if cached == nil or cached.language ~= language then
        clipText(TEXTS, id, width)
        cached = { language = language, lines = clippedText.lines }
        wrapped[id] = cached
    end
    for i, line in ipairs(cached.lines) do
        plain(line, x, y + (i - 1) * lineHeight)
    end
end
