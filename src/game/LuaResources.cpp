#include "game/LuaResources.h"

#include "lua/LuaState.h"

#include <lua.h>

using lang::String;

namespace game {

namespace {

/// An optional flag: counts only when it is a boolean.
bool flag(lua_State* lua, int position)
{
    return lua_type(lua, position) == LUA_TBOOLEAN && lua_toboolean(lua, position);
}

/// A number, also from a string that converts to one; anything else is the strict type error.
float number(lua_State* lua, int position)
{
    if (lua_isnumber(lua, position))
        return static_cast<float>(lua_tonumber(lua, position));
    return lua::LuaState::of(lua)->getNumber(position);
}

/// Applies the anchor names at first and first + 1 that are given.
void anchors(lua_State* lua, int first, Anchor& anchor)
{
    for (int position = first; position < first + 2; ++position)
        if (!lua_isnoneornil(lua, position))
            parseAnchor(lua::LuaState::of(lua)->getString(position), anchor);
}

} // namespace

LuaResources::LuaResources(lua::LuaState* state, gr::Context* context)
    : LuaObject(state), m_resources(new Resources(context))
{
    registerMethod("setPath", this, &LuaResources::setPath);
    registerMethod("createSpriteSheet", this, &LuaResources::createSpriteSheet);
    registerMethod("createCompoSpriteSet", this, &LuaResources::createCompoSpriteSet);
    registerMethod("createBitmapFont", this, &LuaResources::createBitmapFont);
    registerMethod("createSystemFont", this, &LuaResources::createSystemFont);
    registerMethod("createTextGroupSet", this, &LuaResources::createTextGroupSet);
    registerMethod("releaseSpriteSheet", this, &LuaResources::releaseSpriteSheet);
    registerMethod("releaseCompoSpriteSet", this, &LuaResources::releaseCompoSpriteSet);
    registerMethod("releaseFont", this, &LuaResources::releaseFont);
    registerMethod("releaseTextGroupSet", this, &LuaResources::releaseTextGroupSet);
    registerMethod("loadLocale", this, &LuaResources::loadLocale);
    registerMethod("useLocale", this, &LuaResources::useLocale);
    registerMethod("getLocale", this, &LuaResources::getLocale);
    registerMethod("useFont", this, &LuaResources::useFont);
    registerMethod("drawSprite", this, &LuaResources::drawSprite);
    registerMethod("drawCompoSprite", this, &LuaResources::drawSprite);
    registerMethod("drawString", this, &LuaResources::drawString);
    registerMethod("setClipRect", this, &LuaResources::setClipRect);
    registerMethod("getString", this, &LuaResources::getString);
    registerMethod("getSpriteBounds", this, &LuaResources::getSpriteBounds);
    registerMethod("getSpritePivot", this, &LuaResources::getSpritePivot);
    registerMethod("getCompoSpriteBounds", this, &LuaResources::getCompoSpriteBounds);
    registerMethod("getCompoSpriteData", this, &LuaResources::getCompoSpriteData);
    registerMethod("getStringWidth", this, &LuaResources::getStringWidth);
    registerMethod("getFontMaxAscending", this, &LuaResources::getFontMaxAscending);
    registerMethod("getFontMaxDescending", this, &LuaResources::getFontMaxDescending);
    registerMethod("getFontLeading", this, &LuaResources::getFontLeading);
    registerMethod("getFontTracking", this, &LuaResources::getFontTracking);
    registerMethod("getFontHeight", this, &LuaResources::getFontHeight);
    registerMethod("openURL", this, &LuaResources::openURL);
    registerMethod("createAudioOutput", this, &LuaResources::createAudioOutput);
    registerMethod("createAudioInput", this, &LuaResources::createAudioInput);
    registerMethod("createAudio", this, &LuaResources::createAudio);
    registerMethod("playAudio", this, &LuaResources::playAudio);
    registerMethod("stopAudio", this, &LuaResources::stopAudio);
    registerMethod("stopAllAudio", this, &LuaResources::stopAllAudio);
    registerMethod("isAudioPlaying", this, &LuaResources::isAudioPlaying);
    registerMethod("startAudioOutput", this, &LuaResources::startAudioOutput);
    registerMethod("stopAudioOutput", this, &LuaResources::stopAudioOutput);
    registerMethod("startAudioInput", this, &LuaResources::startAudioInput);
    registerMethod("stopAudioInput", this, &LuaResources::stopAudioInput);
    registerMethod("setMasterVolume", this, &LuaResources::setMasterVolume);
    registerMethod("setTrackVolume", this, &LuaResources::setTrackVolume);
    registerMethod("getTrackVolume", this, &LuaResources::getTrackVolume);
    state->globals().setObject("res", this);
}

int LuaResources::createSpriteSheet(lua_State* lua)
{
    m_resources->createSpriteSheet(state()->getString(1), flag(lua, 2));
    return 0;
}

int LuaResources::createCompoSpriteSet(lua_State* lua)
{
    m_resources->createCompoSpriteSet(state()->getString(1), flag(lua, 2));
    return 0;
}

int LuaResources::createBitmapFont(lua_State* lua)
{
    m_resources->createBitmapFont(state()->getString(1), flag(lua, 2));
    return 0;
}

int LuaResources::createSystemFont(lua_State*)
{
    // The desktop draws every text with bitmap fonts.
    state()->getString(1);
    return 0;
}

int LuaResources::createTextGroupSet(lua_State* lua)
{
    m_resources->createTextGroupSet(state()->getString(1), flag(lua, 2));
    return 0;
}

int LuaResources::drawSprite(lua_State* lua)
{
    const int first = lua_isnumber(lua, 2) ? 1 : 2;
    const String name = state()->getString(first);
    const float x = number(lua, first + 1), y = number(lua, first + 2);
    Anchor anchor(Anchor::VPIVOT, Anchor::HPIVOT);
    anchors(lua, first + 3, anchor);
    if (lua_gettop(lua) - first + 1 >= 7)
        m_resources->drawSprite(name, x, y, anchor, number(lua, first + 5), number(lua, first + 6));
    else
        m_resources->drawSprite(name, x, y, anchor);
    return 0;
}

int LuaResources::drawString(lua_State* lua)
{
    const String set = state()->getString(1), id = state()->getString(2);
    const float x = number(lua, 3), y = number(lua, 4);
    Anchor anchor(Anchor::TOP, Anchor::LEFT);
    anchors(lua, 5, anchor);
    m_resources->drawString(set, id, x, y, anchor);
    return 0;
}

String LuaResources::nameArgument(lua_State* lua)
{
    return state()->getString(lua_gettop(lua) >= 2 ? 2 : 1);
}

int LuaResources::getSpriteBounds(lua_State* lua)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(lua), &width, &height, &pivotX, &pivotY);
    lua_pushnumber(lua, width);
    lua_pushnumber(lua, height);
    return 2;
}

int LuaResources::getSpritePivot(lua_State* lua)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(lua), &width, &height, &pivotX, &pivotY);
    lua_pushnumber(lua, pivotX);
    lua_pushnumber(lua, pivotY);
    return 2;
}

int LuaResources::getCompoSpriteBounds(lua_State* lua)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(lua), &width, &height, &pivotX, &pivotY);
    lua_pushnumber(lua, -pivotX);
    lua_pushnumber(lua, -pivotY);
    lua_pushnumber(lua, width - pivotX);
    lua_pushnumber(lua, height - pivotY);
    return 4;
}

int LuaResources::getCompoSpriteData(lua_State* lua)
{
    const SpriteEntry* entry = m_resources->entry(state()->getString(1));
    lua_newtable(lua);
    if (!entry || entry->kind != SpriteEntry::COMPO_SPRITE)
        return 1;
    const lang::Array<CompoPart>& parts = entry->compoSprite->parts();
    for (int i = 0; i < parts.size(); ++i) {
        lua_createtable(lua, 3, 0);
        lua_pushlstring(lua, parts[i].name.c_str(), parts[i].name.length());
        lua_rawseti(lua, -2, 1);
        lua_pushnumber(lua, parts[i].x);
        lua_rawseti(lua, -2, 2);
        lua_pushnumber(lua, parts[i].y);
        lua_rawseti(lua, -2, 3);
        lua_rawseti(lua, -2, i + 1);
    }
    return 1;
}

int LuaResources::createAudio(lua_State* lua)
{
    const String name = state()->getString(1), file = state()->getString(2);
    // Streamed unless a third argument says false.
    const bool streamed = lua_gettop(lua) < 3 || state()->getBoolean(3);
    m_resources->createAudio(name, file, streamed);
    return 0;
}

int LuaResources::playAudio(lua_State* lua)
{
    const int n = lua_gettop(lua);
    const String name = state()->getString(1);
    const float volume = n >= 2 ? number(lua, 2) : 1.0f;
    const bool loop = n >= 3 && state()->getBoolean(3);
    const int track = n >= 4 ? static_cast<int>(number(lua, 4)) : 0;
    lua_pushnumber(lua, m_resources->playAudio(name, volume, loop, track));
    return 1;
}

int LuaResources::isAudioPlaying(lua_State* lua)
{
    bool playing = false;
    if (lua_type(lua, 1) == LUA_TNUMBER)
        playing = m_resources->isAudioPlaying(static_cast<int>(lua_tonumber(lua, 1)));
    else if (lua_type(lua, 1) == LUA_TSTRING)
        playing = m_resources->isAudioPlaying(state()->getString(1));
    lua_pushboolean(lua, playing);
    return 1;
}

} // namespace game
