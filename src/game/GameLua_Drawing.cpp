// World drawing: the theme's parallax layers, the bodies in their passes, trajectories,
// the ground fill, the immediate drawing natives and the text wrapper.

#include "game/GameLua.h"

#include "game/MaskedImage.h"
#include "game/Particles.h"
#include "game/Resources.h"
#include "gr/Context.h"
#include "lang/Exception.h"
#include "lang/UTFConverter.h"
#include "lua/LuaState.h"
#include "lua/NativeCall.h"

#include <algorithm>
#include <cmath>
#include <vector>

using lang::String;

namespace game {

namespace {

/// Beyond this many tiles a layer is cut short: a tiny scale would otherwise tile for ever.
const int MAX_TILES = 4096;
const char* const kTrailSprites[3] = {"TRAIL_WHITE_1", "TRAIL_WHITE_2", "TRAIL_WHITE_3"};

uint32_t channel(float value)
{
    return value <= 0 ? 0 : value >= 255 ? 255 : static_cast<uint32_t>(value);
}

float numberOr(const lua::LuaTable& table, int index, float fallback)
{
    return table.isNumber(index) ? table.getNumber(index) : fallback;
}

String fromUnits(const std::vector<uint16_t>& units, size_t begin, size_t end)
{
    std::vector<uint16_t> line(units.begin() + long(begin), units.begin() + long(end));
    line.push_back(0);
    return String::fromUTF16(line.data());
}

bool isBreak(uint16_t c)
{
    return c == '\n' || c == ' ' || c == '-' || c == 0x200B;
}

} // namespace

void GameLua::rotate(gr::DrawState& state, float angle, float pivotX, float pivotY)
{
    // The drawing maps a local point to (m00 x + m10 y, m01 x + m11 y): this turns +x
    // towards +y by angle, as the physics turns a body.
    const float c = std::cos(angle), s = std::sin(angle);
    state.angle = angle;
    state.m00 = c, state.m10 = -s;
    state.m01 = s, state.m11 = c;
    state.pivotX = pivotX;
    state.pivotY = pivotY;
}

void GameLua::resetRenderState()
{
    gr::DrawState state = m_context->drawState();
    state.translateX = state.translateY = 0;
    state.scaleX = state.scaleY = 1;
    rotate(state, 0, 0, 0);
    m_context->setDrawState(state);
}

// --- theme -------------------------------------------------------------------

void GameLua::setTheme(String theme)
{
    if (!isTable("blockTable"))
        loadIntoGlobalTable("blockTable", getString("scriptPath") + "/blocks.lua");
    lua::LuaTable blocks = getTable("blockTable");
    lua::LuaTable themes = blocks.isTable("themes") ? blocks.getTable("themes") : lua::LuaTable();
    if (!themes.isValid() || !themes.isTable(theme))
        throw lang::Exception(lang::Format("Theme {0} is not in blockTable.themes", theme));
    lua::LuaTable t = themes.getTable(theme);
    for (const char* key : {"color", "groundColor"}) {
        if (!t.isTable(key))
            continue;
        lua::LuaTable colour = t.getTable(key);
        float* out = key[0] == 'c' ? m_themeColour : m_groundColour;
        out[0] = colour.getNumber("r"), out[1] = colour.getNumber("g"), out[2] = colour.getNumber("b");
    }

    m_backgroundLayers.clear();
    m_foregroundLayers.clear();
    m_craneOffset = 0;
    if (isTable("episode4BGCranes")) {
        lua::LuaTable cranes = getTable("episode4BGCranes");
        if (cranes.isNumber("startX"))
            m_craneOffset = cranes.getNumber("startX") * 0.0625f;
    }
    if (t.isTable("bgLayers")) {
        lua::LuaTable layers = t.getTable("bgLayers");
        for (int i = 1; layers.isTable(i); ++i) {
            lua::LuaTable entry = layers.getTable(i);
            BackgroundLayer layer;
            layer.name = entry.isString(1) ? entry.getString(1) : String();
            layer.sprite = entry.isString(2) ? entry.getString(2) : String();
            layer.parallax = numberOr(entry, 3, 1);
            layer.scale = numberOr(entry, 4, 1);
            layer.tiled = entry.isBoolean(5) ? entry.getBoolean(5) : true;
            m_backgroundLayers.add(layer);
        }
    }
    if (t.isTable("fgLayers")) {
        lua::LuaTable layers = t.getTable("fgLayers");
        for (int i = 1; layers.isTable(i); ++i) {
            lua::LuaTable entry = layers.getTable(i);
            m_foregroundLayers.add(ForegroundLayer{entry.isString(1) ? entry.getString(1) : String(),
                                                   entry.isString(2) ? entry.getString(2) : String()});
        }
    }
}

void GameLua::setTopLeft(float x, float y)
{
    m_topLeftX = x;
    m_topLeftY = y;
}

// --- the three layers ----------------------------------------------------------

void GameLua::drawBackgroundNative()
{
    m_backgroundColour = channel(m_themeColour[0]) << 16 | channel(m_themeColour[1]) << 8 | channel(m_themeColour[2]);
    gr::DrawState state = m_context->drawState();
    state.translateX = -m_topLeftX;
    state.translateY = -m_topLeftY;
    rotate(state, 0, 0, 0);
    m_context->setDrawState(state);

    const float screenWidth = static_cast<float>(m_context->width());
    float sum = 0;
    bool firstUntiled = true;
    for (const BackgroundLayer& layer : m_backgroundLayers) {
        Sprite* sprite = m_resources->getSprite(layer.sprite);
        const float f = layer.scale;
        if (!sprite || sprite->width() <= 0 || !(f > 0) || !(m_worldScale > 0))
            continue;
        const float w = static_cast<float>(sprite->width()), px = static_cast<float>(sprite->pivotX());
        const float o = m_topLeftX * layer.parallax;
        state.scaleX = state.scaleY = m_worldScale * f;
        state.translateY = -m_topLeftY / f;
        if (layer.tiled) {
            const float C = w * f;
            const float start = -(std::fmod(o, C) + C) / f;
            const float D = std::trunc(start);
            state.translateX = start - D;
            m_context->setDrawState(state);
            const float limit = screenWidth / f / m_worldScale + px;
            int tiles = 0;
            for (float x = D; x < limit && tiles < MAX_TILES; x += w, ++tiles)
                sprite->draw(m_context, x, 0, Anchor::VPIVOT, Anchor::HPIVOT);
        } else {
            sum += w * (firstUntiled ? m_craneOffset : 0.5f);
            firstUntiled = false;
            state.translateX = sum - std::trunc(sum);
            m_context->setDrawState(state);
            sprite->draw(m_context, sum - o / f, 0, Anchor::VPIVOT, Anchor::HPIVOT);
        }
    }
}

void GameLua::drawRecord(const RenderObjectData& record, float x, float y, bool mask)
{
    const Sprite& sprite = *record.sprite;
    gr::DrawState state = m_context->drawState();
    rotate(state, record.angle, static_cast<float>(sprite.pivotX()), static_cast<float>(sprite.pivotY()));
    m_context->setDrawState(state);
    if (mask && record.texture) {
        if (!m_maskedImage)
            m_maskedImage = new MaskedImage(m_context);
        m_maskedImage->draw(sprite, record.texture.ptr(), x, y);
    } else {
        sprite.draw(m_context, x, y, Anchor::VPIVOT, Anchor::HPIVOT);
    }
}

void GameLua::drawGameNative()
{
    gr::DrawState state = m_context->drawState();
    state.translateX = -m_topLeftX;
    state.translateY = -m_topLeftY;
    state.scaleX = state.scaleY = m_worldScale;
    m_context->setDrawState(state);

    // Passes by kind; within a pass the objects keep the table's order.
    const auto& objects = m_physics->objects();
    auto front = [](const RenderObjectData& r) { return static_cast<int>(r.zOrder) >= 5; };
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const RenderObjectData& r = *it.value();
        if (r.sprite && r.body->GetMass() == 0 && !front(r))
            drawRecord(r, PIXELS_PER_UNIT * r.x, PIXELS_PER_UNIT * r.y, true);
    }
    if (m_maskedImage)
        m_maskedImage->flush();
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const RenderObjectData& r = *it.value();
        if (r.sprite && r.body->GetMass() != 0 && !r.bird && !r.draw && !front(r))
            drawRecord(r, PIXELS_PER_UNIT * r.x, PIXELS_PER_UNIT * r.y, false);
    }
    state = m_context->drawState();
    rotate(state, 0, 0, 0);
    m_context->setDrawState(state);
    drawTrajectories();
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const RenderObjectData& r = *it.value();
        if (r.sprite && (r.bird || r.draw) && !front(r))
            drawRecord(r, PIXELS_PER_UNIT * r.x, PIXELS_PER_UNIT * r.y, false);
    }
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const RenderObjectData& r = *it.value();
        if (!r.sprite || !front(r))
            continue;
        if (r.immovableCheck) {
            // Far in front: half the parallax at twice the scale.
            gr::DrawState half = m_context->drawState();
            const gr::DrawState normal = half;
            half.translateX = -m_topLeftX * 0.5f;
            half.translateY = -m_topLeftY * 0.5f;
            half.scaleX = half.scaleY = 2 * m_worldScale;
            m_context->setDrawState(half);
            drawRecord(r, 10 * r.x, 10 * r.y, false);
            gr::DrawState restored = m_context->drawState();
            restored.translateX = normal.translateX, restored.translateY = normal.translateY;
            restored.scaleX = normal.scaleX, restored.scaleY = normal.scaleY;
            m_context->setDrawState(restored);
        } else {
            drawRecord(r, PIXELS_PER_UNIT * r.x, PIXELS_PER_UNIT * r.y, false);
        }
    }
    state = m_context->drawState();
    rotate(state, 0, 0, 0);
    m_context->setDrawState(state);
    m_particles->draw();
}

void GameLua::drawForegroundNative()
{
    Sprite* first = m_foregroundLayers.isEmpty() ? nullptr : m_resources->getSprite(m_foregroundLayers[0].sprite);
    const float a = first ? static_cast<float>(first->height() - first->pivotY()) : 0.0f;
    const float screenWidth = static_cast<float>(m_context->width());
    drawRect(m_groundColour[0] / 255, m_groundColour[1] / 255, m_groundColour[2] / 255, 1, 0,
             std::trunc(-((m_topLeftY - 1.5f * a) * m_worldScale)), screenWidth,
             static_cast<float>(m_context->height() + 1), false);

    gr::DrawState state = m_context->drawState();
    state.scaleX = state.scaleY = m_worldScale * 1.5f;
    state.translateY = m_topLeftY / -1.5f;
    for (const ForegroundLayer& layer : m_foregroundLayers) {
        Sprite* sprite = m_resources->getSprite(layer.sprite);
        if (!sprite || sprite->width() <= 0 || !(m_worldScale > 0))
            continue;
        const float w = static_cast<float>(sprite->width()), px = static_cast<float>(sprite->pivotX());
        const float start = (std::fmod(m_topLeftX, 1.5f * w) + 1.5f * w) / -1.5f;
        const float v = std::trunc(start);
        state.translateX = start - v;
        m_context->setDrawState(state);
        const float limit = screenWidth / (1.5f * m_worldScale) + px;
        int tiles = 0;
        for (float x = v; x < limit && tiles < MAX_TILES; x += w, ++tiles)
            sprite->draw(m_context, x, 0, Anchor::VPIVOT, Anchor::HPIVOT);
    }
}

void GameLua::drawParticlesNative()
{
    m_particles->draw();
}

// --- trajectories ----------------------------------------------------------------

void GameLua::startNewTrajectory()
{
    m_trajectoryBase += 3;
    if (m_trajectoryBase > 3)
        m_trajectoryBase = 0;
    for (int i = m_trajectoryBase; i < m_trajectoryBase + 3; ++i) {
        m_trails[i].clear();
        m_puffs[i].clear();
    }
}

void GameLua::addToTrajectory(float slot, float x, float y)
{
    const int s = static_cast<int>(slot);
    if (s >= 0 && s <= 2)
        m_trails[m_trajectoryBase + s].add(b2Vec2(x, y));
}

void GameLua::addPuffToTrajectory(float slot, float x, float y)
{
    const int s = static_cast<int>(slot);
    if (s >= 0 && s <= 2)
        m_puffs[m_trajectoryBase + s].add(b2Vec2(x, y));
}

void GameLua::clearTrajectories()
{
    for (int i = 0; i < 6; ++i) {
        m_trails[i].clear();
        m_puffs[i].clear();
    }
}

void GameLua::drawTrajectories()
{
    Sprite* trail[3];
    for (int i = 0; i < 3; ++i)
        trail[i] = m_resources->getSprite(kTrailSprites[i]);
    Sprite* puff = m_resources->getSprite("BIRD_SPECIAL");
    for (int list = 0; list < 6; ++list) {
        for (int i = 0; i < m_trails[list].size(); ++i)
            if (Sprite* sprite = trail[i % 3])
                sprite->draw(m_context, m_trails[list][i].x, m_trails[list][i].y, Anchor::VPIVOT, Anchor::HPIVOT);
        if (puff)
            for (const b2Vec2& point : m_puffs[list])
                puff->draw(m_context, point.x, point.y, Anchor::VPIVOT, Anchor::HPIVOT);
    }
}

// --- immediate drawing -------------------------------------------------------------

void GameLua::drawRect(float r, float g, float b, float a, float left, float top, float right, float bottom,
                       bool keepRenderState)
{
    if (!keepRenderState)
        resetRenderState();
    const uint32_t colour = channel(a * 255) << 24 | channel(r * 255) << 16 | channel(g * 255) << 8 | channel(b * 255);
    const int x = static_cast<int>(left), y = static_cast<int>(top);
    m_context->fillRect(colour, static_cast<float>(x), static_cast<float>(y), static_cast<float>(static_cast<int>(right) - x),
                        static_cast<float>(static_cast<int>(bottom) - y));
}

void GameLua::drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
    const uint32_t colour = channel(a) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
    m_context->drawLine(colour, std::trunc(x1), std::trunc(y1), std::trunc(x2), std::trunc(y2), std::trunc(width));
}

void GameLua::drawTexturedRect(String name, float left, float top, float right, float bottom, bool)
{
    resetRenderState();
    Sprite* sprite = m_resources->getSprite(name);
    gr::Texture* texture = sprite && sprite->image() ? sprite->image()->texture() : nullptr;
    if (!texture)
        return;
    const int x = static_cast<int>(left), y = static_cast<int>(top);
    const int w = static_cast<int>(right) - x, h = static_cast<int>(bottom) - y;
    m_context->drawImage(texture, static_cast<float>(x), static_cast<float>(y), m_topLeftX - sprite->x(),
                         m_topLeftY - sprite->y(), static_cast<float>(texture->width()),
                         static_cast<float>(texture->height()), static_cast<float>(w), static_cast<float>(h));
}

int GameLua::setRenderState(lua::NativeCall& call)
{
    const int n = call.count();
    lua::NativeCall* script = &call;
    gr::DrawState drawing = m_context->drawState();
    if (n >= 2)
        drawing.translateX = script->getNumber(1), drawing.translateY = script->getNumber(2);
    if (n >= 4)
        drawing.scaleX = script->getNumber(3), drawing.scaleY = script->getNumber(4);
    if (n >= 5)
        rotate(drawing, script->getNumber(5), drawing.pivotX, drawing.pivotY);
    if (n >= 7)
        drawing.pivotX = script->getNumber(6), drawing.pivotY = script->getNumber(7);
    m_context->setDrawState(drawing);
    return 0;
}

// --- objects as drawing sees them ----------------------------------------------------

void GameLua::setSprite(String name, String sprite)
{
    if (RenderObjectData* record = m_physics->find(name, "setSprite")) {
        record->spriteName = sprite;
        record->sprite = m_resources->getSprite(sprite);
    }
}

gr::Texture* GameLua::sheetTexture(const String& key) const
{
    SpriteSheet* sheet = m_resources->spriteSheet(key);
    return sheet && sheet->image() ? sheet->image()->texture() : nullptr;
}

void GameLua::setTexture(String name, String texture)
{
    if (RenderObjectData* record = m_physics->find(name, "setTexture"))
        record->texture = sheetTexture(texture);
}

// --- text ---------------------------------------------------------------------------

void GameLua::clipText(String group, String textId, float limit)
{
    IFont* font = m_resources->font();
    if (!font)
        throw lang::Exception(lang::Format("No font is set while trying to clip text"));
    const String text = m_resources->getString(group, textId);
    std::vector<uint16_t> units;
    lang::UTFConverter::toUTF16(text, units);
    const size_t n = units.size();
    auto width = [&](size_t begin, size_t end) {
        return font->getStringWidth(fromUnits(units, begin, end), 0, IFont::ALL);
    };

    lua::LuaTable lines(state());
    int lineCount = 0;
    int widest = 0;
    size_t i = 0;
    while (i < n) {
        const size_t start = i;
        size_t end = start; // what the line holds so far
        size_t next = n;    // where the following line starts
        for (size_t j = start;;) {
            size_t k = j;
            while (k < n && !isBreak(units[k]))
                ++k;
            const size_t candidate = k < n && units[k] == '-' ? k + 1 : k;
            if (width(start, candidate) < limit) {
                end = candidate;
                if (k >= n || units[k] == '\n') {
                    next = k + 1; // the line feed is consumed
                    break;
                }
                j = k + 1;
                continue;
            }
            if (end == start) {
                // A word wider than the limit: as many characters as fit, at least one.
                end = start + 1;
                while (end < candidate && width(start, end + 1) < limit)
                    ++end;
            }
            next = end;
            break;
        }
        lines.setString(++lineCount, fromUnits(units, start, end));
        widest = std::max(widest, width(start, end));
        i = std::min(next, n);
        while (i < n && (units[i] == ' ' || units[i] == 0x200B))
            ++i;
    }
    m_clippedText.setTable(String("lines"), &lines);
    m_clippedText.setNumber("widestLine", static_cast<float>(widest));
}

} // namespace game
