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

    // Natives that take optional or mixed arguments read them from the call themselves.
    int createSpriteSheet(lua::NativeCall& call);
    int createCompoSpriteSet(lua::NativeCall& call);
    int createBitmapFont(lua::NativeCall& call);
    int createSystemFont(lua::NativeCall& call);
    int createTextGroupSet(lua::NativeCall& call);
    int drawSprite(lua::NativeCall& call);
    int drawSpriteTransformed(lua::NativeCall& call);
    int drawString(lua::NativeCall& call);
    int getSpriteBounds(lua::NativeCall& call);
    int getSpritePivot(lua::NativeCall& call);
    int getCompoSpriteBounds(lua::NativeCall& call);
    int getCompoSpriteData(lua::NativeCall& call);
    int createAudio(lua::NativeCall& call);
    int playAudio(lua::NativeCall& call);
    int isAudioPlaying(lua::NativeCall& call);

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
    static lang::String nameArgument(const lua::NativeCall& call);
};

} // namespace game
