#include "game/LuaResources.h"

#include "lua/LuaState.h"
#include "lua/NativeCall.h"

using lang::String;
using lua::LuaState;
using lua::NativeCall;

namespace game {

namespace {

/// An optional flag: counts only when it is a boolean.
bool flag(const NativeCall& call, int position)
{
    return call.type(position) == LuaState::TYPE_BOOLEAN && call.getBoolean(position);
}

/// Applies the anchor names at first and first + 1 that are given.
void anchors(const NativeCall& call, int first, Anchor& anchor)
{
    for (int position = first; position < first + 2; ++position)
        if (call.type(position) > LuaState::TYPE_NIL)
            parseAnchor(call.getString(position), anchor);
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
    registerMethod("drawSpriteTransformed", this, &LuaResources::drawSpriteTransformed);
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

int LuaResources::createSpriteSheet(NativeCall& call)
{
    m_resources->createSpriteSheet(call.getString(1), flag(call, 2));
    return 0;
}

int LuaResources::createCompoSpriteSet(NativeCall& call)
{
    m_resources->createCompoSpriteSet(call.getString(1), flag(call, 2));
    return 0;
}

int LuaResources::createBitmapFont(NativeCall& call)
{
    m_resources->createBitmapFont(call.getString(1), flag(call, 2));
    return 0;
}

int LuaResources::createSystemFont(NativeCall& call)
{
    // The desktop draws every text with bitmap fonts.
    call.getString(1);
    return 0;
}

int LuaResources::createTextGroupSet(NativeCall& call)
{
    m_resources->createTextGroupSet(call.getString(1), flag(call, 2));
    return 0;
}

int LuaResources::drawSprite(NativeCall& call)
{
    // Coordinates may come as strings that read as numbers.
    const int first = call.isNumber(2) ? 1 : 2;
    const std::string_view name = call.getText(first);
    const float x = call.toNumber(first + 1), y = call.toNumber(first + 2);
    Anchor anchor(Anchor::VPIVOT, Anchor::HPIVOT);
    anchors(call, first + 3, anchor);
    if (call.count() - first + 1 >= 7)
        m_resources->drawSprite(name, x, y, anchor, call.toNumber(first + 5), call.toNumber(first + 6));
    else
        m_resources->drawSprite(name, x, y, anchor);
    return 0;
}

int LuaResources::drawSpriteTransformed(NativeCall& call)
{
    const int first = call.type(1) == LuaState::TYPE_TABLE ? 2 : 1;
    const std::string_view name = call.getText(first);
    const float x = call.getNumber(first + 1), y = call.getNumber(first + 2), angle = call.getNumber(first + 3);
    const float scaleX = call.type(first + 4) > LuaState::TYPE_NIL ? call.getNumber(first + 4) : 1.0f;
    const float scaleY = call.type(first + 5) > LuaState::TYPE_NIL ? call.getNumber(first + 5) : scaleX;
    m_resources->drawSpriteTransformed(name, x, y, angle, scaleX, scaleY);
    return 0;
}

int LuaResources::drawString(NativeCall& call)
{
    const String set = call.getString(1), id = call.getString(2);
    const float x = call.toNumber(3), y = call.toNumber(4);
    Anchor anchor(Anchor::TOP, Anchor::LEFT);
    anchors(call, 5, anchor);
    m_resources->drawString(set, id, x, y, anchor);
    return 0;
}

String LuaResources::nameArgument(const NativeCall& call)
{
    return call.getString(call.count() >= 2 ? 2 : 1);
}

int LuaResources::getSpriteBounds(NativeCall& call)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(call), &width, &height, &pivotX, &pivotY);
    call.push(static_cast<float>(width));
    call.push(static_cast<float>(height));
    return 2;
}

int LuaResources::getSpritePivot(NativeCall& call)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(call), &width, &height, &pivotX, &pivotY);
    call.push(static_cast<float>(pivotX));
    call.push(static_cast<float>(pivotY));
    return 2;
}

int LuaResources::getCompoSpriteBounds(NativeCall& call)
{
    int width, height, pivotX, pivotY;
    m_resources->spriteBounds(nameArgument(call), &width, &height, &pivotX, &pivotY);
    call.push(static_cast<float>(-pivotX));
    call.push(static_cast<float>(-pivotY));
    call.push(static_cast<float>(width - pivotX));
    call.push(static_cast<float>(height - pivotY));
    return 4;
}

int LuaResources::getCompoSpriteData(NativeCall& call)
{
    const SpriteEntry* entry = m_resources->entry(call.getString(1));
    lua::LuaTable data(state());
    if (entry && entry->kind == SpriteEntry::COMPO_SPRITE) {
        const lang::Array<CompoPart>& parts = entry->compoSprite->parts();
        for (int i = 0; i < parts.size(); ++i) {
            lua::LuaTable part(state());
            part.setString(1, parts[i].name);
            part.setNumber(2, parts[i].x);
            part.setNumber(3, parts[i].y);
            data.setTable(i + 1, &part);
        }
    }
    call.push(data);
    return 1;
}

int LuaResources::createAudio(NativeCall& call)
{
    const String name = call.getString(1), file = call.getString(2);
    // Streamed unless a third argument says false.
    const bool streamed = call.count() < 3 || call.getBoolean(3);
    m_resources->createAudio(name, file, streamed);
    return 0;
}

int LuaResources::playAudio(NativeCall& call)
{
    const int n = call.count();
    const String name = call.getString(1);
    const float volume = n >= 2 ? call.toNumber(2) : 1.0f;
    const bool loop = n >= 3 && call.getBoolean(3);
    const int track = n >= 4 ? static_cast<int>(call.toNumber(4)) : 0;
    call.push(static_cast<float>(m_resources->playAudio(name, volume, loop, track)));
    return 1;
}

int LuaResources::isAudioPlaying(NativeCall& call)
{
    bool playing = false;
    if (call.type(1) == LuaState::TYPE_NUMBER)
        playing = m_resources->isAudioPlaying(static_cast<int>(call.getNumber(1)));
    else if (call.type(1) == LuaState::TYPE_STRING)
        playing = m_resources->isAudioPlaying(call.getString(1));
    call.push(playing);
    return 1;
}

} // namespace game
