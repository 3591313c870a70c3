#pragma once

#include "game/Resources.h"
#include "lua/LuaObject.h"

namespace game {

/// The resource registry published to the scripts as the global table res.
///
/// Functions marked "table first" in the scripts' reference accept res itself as an extra
/// first argument (called with a colon); they tell the two forms apart by argument types.
class LuaResources : public lua::LuaObject
{
public:
    /// Registers the functions and stores the table as the global res. state and context
    /// are not owned: both outlive the object.
    LuaResources(lua::LuaState* state, gr::Context* context);

    Resources* resources() const { return m_resources.ptr(); }

private:
    lang::Ptr<Resources> m_resources;

    // Natives that take optional or mixed arguments read the interpreter stack themselves.
    int createSpriteSheet(lua_State* lua);
    int createCompoSpriteSet(lua_State* lua);
    int createBitmapFont(lua_State* lua);
    int createSystemFont(lua_State* lua);
    int createTextGroupSet(lua_State* lua);
    int drawSprite(lua_State* lua);
    int drawString(lua_State* lua);
    int getSpriteBounds(lua_State* lua);
    int getSpritePivot(lua_State* lua);
    int getCompoSpriteBounds(lua_State* lua);
    int getCompoSpriteData(lua_State* lua);
    int createAudio(lua_State* lua);
    int playAudio(lua_State* lua);
    int isAudioPlaying(lua_State* lua);

    // Natives of plain arguments.
    void setPath(lang::String path) { m_resources->setPath(path); }
    void releaseSpriteSheet(lang::String file) { m_resources->releaseSpriteSheet(file); }
    void releaseCompoSpriteSet(lang::String file) { m_resources->releaseCompoSpriteSet(file); }
    void releaseFont(lang::String file) { m_resources->releaseFont(file); }
    void releaseTextGroupSet(lang::String file) { m_resources->releaseTextGroupSet(file); }
    void loadLocale(lang::String set, lang::String language) { m_resources->loadLocale(set, language); }
    void useLocale(lang::String language) { m_resources->useLocale(language); }
    lang::String getLocale() { return m_resources->locale(); }
    void useFont(lang::String name) { m_resources->useFont(name); }
    lang::String getString(lang::String set, lang::String id) { return m_resources->getString(set, id); }
    int getStringWidth(lang::String text) { return m_resources->getStringWidth(text); }
    int getFontMaxAscending() { return m_resources->fontMetric(0); }
    int getFontMaxDescending() { return m_resources->fontMetric(1); }
    int getFontLeading() { return m_resources->fontMetric(2); }
    int getFontTracking() { return m_resources->fontMetric(3); }
    int getFontHeight() { return m_resources->fontMetric(4); }
    void setClipRect(float x, float y, float width, float height) { m_resources->setClipRect(x, y, width, height); }
    void openURL(lang::String url) { m_resources->openURL(url); }
    void createAudioOutput(float channels, float bits, float rate)
    {
        m_resources->createAudioOutput(static_cast<int>(channels), static_cast<int>(bits), static_cast<int>(rate));
    }
    void createAudioInput(float channels, float bits, float rate)
    {
        m_resources->createAudioInput(static_cast<int>(channels), static_cast<int>(bits), static_cast<int>(rate));
    }
    void stopAudio(lang::String name) { m_resources->stopAudio(name); }
    void stopAllAudio() { m_resources->stopAllAudio(); }
    void startAudioOutput() { m_resources->startAudioOutput(); }
    void stopAudioOutput() { m_resources->stopAudioOutput(); }
    void startAudioInput() { m_resources->startAudioInput(); }
    void stopAudioInput() { m_resources->stopAudioInput(); }
    void setMasterVolume(float volume) { m_resources->setMasterVolume(volume); }
    void setTrackVolume(float track, float volume) { m_resources->setTrackVolume(static_cast<int>(track), volume); }
    float getTrackVolume(float track) { return m_resources->getTrackVolume(static_cast<int>(track)); }

    /// The name argument of the bounds functions: the second with two or more arguments.
    lang::String nameArgument(lua_State* lua);
};

} // namespace game
