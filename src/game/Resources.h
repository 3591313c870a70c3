#pragma once

#include "audio/AudioOutput.h"
#include "game/BitmapFont.h"
#include "game/CompoSpriteSet.h"
#include "game/SpriteProvider.h"
#include "game/SpriteSheet.h"
#include "game/TextGroupSet.h"
#include "gr/DrawState.h"
#include "io/PathName.h"

#include <string_view>

namespace game {

/// What a name in the global sprite index stands for.
struct SpriteEntry
{
    enum Kind { NONE = 0, SPRITE = 1, COMPO_SPRITE = 2 };
    int kind = NONE;
    lang::String owner; ///< the key of the sheet or set that holds it
    Sprite* sprite = nullptr;           ///< kind SPRITE; owned by the sheet
    CompoSprite* compoSprite = nullptr; ///< kind COMPO_SPRITE; owned by the set
};

/// The registry of the loaded 2D resources, each under a short name: sprite sheets,
/// composite sprite sets, fonts and text group sets, plus a global index from sprite name to
/// sprite, the current font, locale and clip rectangle. Main thread only.
///
/// Sheets, sets and fonts are keyed by the base name of their file (sprites/menu.dat is
/// "menu"); a file name is resolved against the resource path. Loading errors propagate and
/// leave the earlier entry of the key in place.
class Resources : public lang::Object, public SpriteProvider
{
public:
    /// context is not owned: it outlives the registry.
    explicit Resources(gr::Context* context);

    void setPath(const lang::String& path) { m_path = io::PathName(path); }
    /// A file name resolved against the resource path, as the registry opens it.
    lang::String fullPath(const lang::String& file) const;

    /// The kinds of resource a changed file can be created again as.
    enum FileKind { SPRITE_SHEETS, BITMAP_FONTS, TEXT_GROUP_SETS };
    /// The file name each sprite sheet, bitmap font or text group set of the kind was last
    /// created from, by key: what a reload creates it from again.
    const lang::Hashtable<lang::String, lang::String>& files(FileKind kind) const
    {
        return kind == SPRITE_SHEETS ? m_sheetFiles : kind == BITMAP_FONTS ? m_fontFiles : m_textFiles;
    }

    // Creating does nothing when the key is taken, unless reload is set.
    void createSpriteSheet(const lang::String& file, bool reload);
    void createCompoSpriteSet(const lang::String& file, bool reload);
    void createBitmapFont(const lang::String& file, bool reload);
    void createTextGroupSet(const lang::String& file, bool reload);
    // Releasing a missing key does nothing.
    void releaseSpriteSheet(const lang::String& file);
    void releaseCompoSpriteSet(const lang::String& file);
    void releaseFont(const lang::String& file);
    void releaseTextGroupSet(const lang::String& file);

    /// Replaces the loaded languages of a text group set by one; a missing set does nothing.
    void loadLocale(const lang::String& set, const lang::String& language);
    void useLocale(const lang::String& language) { m_locale = language; }
    const lang::String& locale() const { return m_locale; }
    /// The text of id in the current locale; id itself when the set is missing.
    lang::String getString(const lang::String& set, const lang::String& id);
    TextGroupSet* textGroupSet(const lang::String& name) const { return m_texts.get(name).ptr(); }
    /// The sprite sheet registered under key (a file's base name), or null.
    SpriteSheet* spriteSheet(const lang::String& key) const { return m_sheets.get(key).ptr(); }

    /// Makes a loaded font current; an unknown name changes nothing.
    void useFont(const lang::String& name);
    IFont* font() const { return m_font.ptr(); }
    /// The font loaded under key, or null.
    IFont* loadedFont(const lang::String& key) const { return m_fonts.get(key).ptr(); }
    const lang::String& fontName() const { return m_fontName; }
    /// The text of id in the current font; throws lang::Exception without one.
    void drawString(const lang::String& set, const lang::String& id, float x, float y, const Anchor& anchor);
    /// The current font's width of text itself (not an id); throws without a font.
    int getStringWidth(const lang::String& text);
    /// The current font's metric: 0 ascent, 1 descent, 2 leading, 3 tracking, 4 height.
    /// Throws lang::Exception without a font.
    int fontMetric(int which);

    /// Draws a sprite or a composite sprite of the index; an unknown name draws nothing.
    /// A composite sprite is always drawn at its own size.
    void drawSprite(std::string_view name, float x, float y, const Anchor& anchor);
    void drawSprite(std::string_view name, float x, float y, const Anchor& anchor, float width, float height);
    /// Draws a sprite of the index with its pivot on x, y, scaled about the pivot and turned
    /// by angle; a composite sprite or an unknown name draws nothing.
    void drawSpriteTransformed(std::string_view name, float x, float y, float angle, float scaleX, float scaleY);
    /// The index entry of name, or null.
    const SpriteEntry* entry(std::string_view name) const { return m_index.findAs(name); }
    const SpriteEntry* entry(const lang::String& name) const { return m_index.find(name); }
    /// Width, height and pivot of a sprite or composite sprite; false (all 0) when unknown.
    bool spriteBounds(const lang::String& name, int* width, int* height, int* pivotX, int* pivotY) const;

    /// Stores the clip rectangle, each value truncated, in the registry and in the context's
    /// 2D drawing state.
    void setClipRect(float x, float y, float width, float height);
    const gr::Rect& clipRect() const { return m_clip; }

    /// Asks the desktop to open url.
    void openURL(const lang::String& url);

    // Audio. Without an output, playing, stopping and starting throw lang::Exception with
    // the messages of the scripts' reference; stopping what is missing does nothing.
    /// Replaces the output (the old one is dropped first). Throws the format's errors.
    void createAudioOutput(int channels, int bitsPerSample, int sampleRate);
    void createAudioInput(int channels, int bitsPerSample, int sampleRate);
    /// Loads a clip under name: streamed from the file, or decoded into memory now. A clip
    /// stored under the name before stops playing and is replaced under the mixer lock.
    void createAudio(const lang::String& name, const lang::String& file, bool streamed);
    /// The play handle, or -1 for an unknown name, a stopped output or a full track.
    int playAudio(const lang::String& name, float volume, bool loop, int track);
    void stopAudio(const lang::String& name);
    void stopAllAudio();
    bool isAudioPlaying(int handle) const;
    bool isAudioPlaying(const lang::String& name) const;
    void startAudioOutput();
    void stopAudioOutput();
    void startAudioInput();
    void stopAudioInput();
    void setMasterVolume(float volume);
    void setTrackVolume(int track, float volume);
    float getTrackVolume(int track) const;
    audio::AudioOutput* audioOutput() const { return m_audioOutput.ptr(); }
    audio::AudioInput* audioInput() const { return m_audioInput.ptr(); }
    audio::AudioClip* audioClip(const lang::String& name) const { return m_clips.get(name).ptr(); }

    Sprite* getSprite(const lang::String& name) override;

private:
    gr::Context* m_context;
    gr::Rect m_clip;
    io::PathName m_path;
    lang::String m_locale = "en_EN";
    lang::Ptr<IFont> m_font;
    lang::String m_fontName;
    lang::Hashtable<lang::String, lang::Ptr<TextGroupSet>> m_texts;
    lang::Hashtable<lang::String, lang::Ptr<SpriteSheet>> m_sheets;
    lang::Hashtable<lang::String, lang::Ptr<CompoSpriteSet>> m_compoSets;
    lang::Hashtable<lang::String, lang::Ptr<IFont>> m_fonts;
    lang::Hashtable<lang::String, lang::String> m_sheetFiles, m_fontFiles, m_textFiles; ///< key to file name
    lang::Hashtable<lang::String, SpriteEntry> m_index;
    lang::Hashtable<lang::String, lang::Ptr<audio::AudioClip>> m_clips;
    lang::Ptr<audio::AudioOutput> m_audioOutput;
    lang::Ptr<audio::AudioInput> m_audioInput;

    audio::AudioOutput* requireOutput(const char* action) const;

    IFont* requireFont(const char* action) const;
    template <class T>
    void unindex(const T& sprites);
    template <class T>
    void index(const T& sprites, int kind, const lang::String& owner);
};

} // namespace game
