#include "game/Resources.h"

#include "gr/Context.h"
#include "lang/Debug.h"
#include "lang/Exception.h"
#include "pf/Launcher.h"

using lang::Format;
using lang::Ptr;
using lang::String;

namespace game {

namespace {

String keyOf(const String& file)
{
    return io::PathName(file).basename();
}

void assign(SpriteEntry& entry, Sprite* sprite)
{
    entry.sprite = sprite;
}

void assign(SpriteEntry& entry, CompoSprite* sprite)
{
    entry.compoSprite = sprite;
}

} // namespace

Resources::Resources(gr::Context* context) : m_context(context)
{
    m_clip.x0 = m_clip.y0 = -10000;
    m_clip.x1 = m_clip.y1 = 10000;
}

String Resources::fullPath(const String& file) const
{
    return io::PathName(m_path.fullPath(), file).toString();
}

template <class T>
void Resources::unindex(const T& sprites)
{
    // A name that a later sheet or set took over stays with it.
    for (auto it = sprites.begin(); it != sprites.end(); ++it) {
        const SpriteEntry* e = entry(it.key());
        if (e && (e->sprite == static_cast<const void*>(it.value().ptr()) ||
                  e->compoSprite == static_cast<const void*>(it.value().ptr())))
            m_index.remove(it.key());
    }
}

template <class T>
void Resources::index(const T& sprites, int kind, const String& owner)
{
    for (auto it = sprites.begin(); it != sprites.end(); ++it) {
        SpriteEntry entry;
        entry.kind = kind;
        entry.owner = owner;
        assign(entry, it.value().ptr());
        m_index.put(it.key(), entry);
    }
}

void Resources::createSpriteSheet(const String& file, bool reload)
{
    const String key = keyOf(file);
    if (!reload && m_sheets.containsKey(key))
        return;
    Ptr<SpriteSheet> sheet = new SpriteSheet(m_context, fullPath(file));
    if (const Ptr<SpriteSheet>* old = m_sheets.find(key))
        unindex((*old)->sprites());
    index(sheet->sprites(), SpriteEntry::SPRITE, key);
    m_sheets.put(key, sheet);
    m_sheetFiles.put(key, file);
}

void Resources::createCompoSpriteSet(const String& file, bool reload)
{
    const String key = keyOf(file);
    if (!reload && m_compoSets.containsKey(key))
        return;
    Ptr<CompoSpriteSet> set = new CompoSpriteSet(this, fullPath(file));
    if (const Ptr<CompoSpriteSet>* old = m_compoSets.find(key))
        unindex((*old)->sprites());
    index(set->sprites(), SpriteEntry::COMPO_SPRITE, key);
    m_compoSets.put(key, set);
}

void Resources::createBitmapFont(const String& file, bool reload)
{
    const String key = keyOf(file);
    if (!reload && m_fonts.containsKey(key))
        return;
    m_fonts.put(key, new BitmapFont(m_context, fullPath(file)));
    m_fontFiles.put(key, file);
}

void Resources::createTextGroupSet(const String& file, bool reload)
{
    const String key = keyOf(file);
    if (!reload && m_texts.containsKey(key))
        return;
    m_texts.put(key, new TextGroupSet(fullPath(file)));
    m_textFiles.put(key, file);
}

void Resources::releaseSpriteSheet(const String& file)
{
    const String key = keyOf(file);
    if (const Ptr<SpriteSheet>* sheet = m_sheets.find(key)) {
        lang::log("Releasing spritesheet %s\n", file.c_str());
        unindex((*sheet)->sprites());
        m_sheets.remove(key);
        m_sheetFiles.remove(key);
    }
}

void Resources::releaseCompoSpriteSet(const String& file)
{
    const String key = keyOf(file);
    if (const Ptr<CompoSpriteSet>* set = m_compoSets.find(key)) {
        lang::log("Releasing spritesheet %s\n", file.c_str());
        unindex((*set)->sprites());
        m_compoSets.remove(key);
    }
}

void Resources::releaseFont(const String& file)
{
    const String key = keyOf(file);
    if (m_fonts.containsKey(key)) {
        lang::log("Releasing font %s\n", file.c_str());
        m_fonts.remove(key);
        m_fontFiles.remove(key);
    }
}

void Resources::releaseTextGroupSet(const String& file)
{
    const String key = keyOf(file);
    if (m_texts.containsKey(key)) {
        lang::log("Releasing textgroupset %s\n", file.c_str());
        m_texts.remove(key);
        m_textFiles.remove(key);
    }
}

void Resources::loadLocale(const String& set, const String& language)
{
    if (TextGroupSet* texts = textGroupSet(set)) {
        texts->release("ALL");
        texts->load(language);
    }
}

String Resources::getString(const String& set, const String& id)
{
    TextGroupSet* texts = textGroupSet(set);
    return texts ? texts->get(m_locale)->get(id) : id;
}

void Resources::useFont(const String& name)
{
    if (const Ptr<IFont>* font = m_fonts.find(name)) {
        m_font = *font;
        m_fontName = name;
    }
}

IFont* Resources::requireFont(const char* action) const
{
    if (!m_font)
        throw lang::Exception(Format("No font is set while trying to {0}", action));
    return m_font.ptr();
}

void Resources::drawString(const String& set, const String& id, float x, float y, const Anchor& anchor)
{
    IFont* font = requireFont("draw string");
    font->drawString(m_context, getString(set, id), x, y, anchor.vertical, anchor.horizontal);
}

int Resources::getStringWidth(const String& text)
{
    return requireFont("get string width")->getStringWidth(text, 0, IFont::ALL);
}

int Resources::fontMetric(int which)
{
    static const char* const kActions[] = {"get font max ascending", "get font max descending", "get font leading",
                                           "get font tracking", "get font height!"};
    IFont* font = requireFont(kActions[which]);
    switch (which) {
    case 0: return font->getMaxAscending();
    case 1: return font->getMaxDescending();
    case 2: return font->getLeading();
    case 3: return font->getTracking();
    default: return font->getHeight();
    }
}

void Resources::drawSprite(std::string_view name, float x, float y, const Anchor& anchor)
{
    const SpriteEntry* e = entry(name);
    if (e && e->kind == SpriteEntry::SPRITE)
        drawSprite(name, x, y, anchor, e->sprite->width(), e->sprite->height());
    else if (e && e->kind == SpriteEntry::COMPO_SPRITE)
        e->compoSprite->draw(m_context, x, y, anchor.vertical, anchor.horizontal);
}

void Resources::drawSprite(std::string_view name, float x, float y, const Anchor& anchor, float width, float height)
{
    const SpriteEntry* e = entry(name);
    if (e && e->kind == SpriteEntry::SPRITE)
        e->sprite->draw(m_context, x, y, width, height, anchor.vertical, anchor.horizontal);
    else if (e && e->kind == SpriteEntry::COMPO_SPRITE)
        e->compoSprite->draw(m_context, x, y, anchor.vertical, anchor.horizontal);
}

void Resources::drawSpriteTransformed(std::string_view name, float x, float y, float angle, float scaleX, float scaleY)
{
    const SpriteEntry* e = entry(name);
    if (e && e->kind == SpriteEntry::SPRITE)
        e->sprite->drawTransformed(m_context, x, y, angle, scaleX, scaleY);
}

bool Resources::spriteBounds(const String& name, int* width, int* height, int* pivotX, int* pivotY) const
{
    *width = *height = *pivotX = *pivotY = 0;
    const SpriteEntry* e = entry(name);
    if (e && e->kind == SpriteEntry::SPRITE) {
        *width = e->sprite->width(), *height = e->sprite->height();
        *pivotX = e->sprite->pivotX(), *pivotY = e->sprite->pivotY();
        return true;
    }
    if (e && e->kind == SpriteEntry::COMPO_SPRITE) {
        *width = e->compoSprite->width(), *height = e->compoSprite->height();
        *pivotX = e->compoSprite->pivotX(), *pivotY = e->compoSprite->pivotY();
        return true;
    }
    return false;
}

void Resources::setClipRect(float x, float y, float width, float height)
{
    m_clip.x0 = static_cast<int32_t>(x);
    m_clip.y0 = static_cast<int32_t>(y);
    m_clip.x1 = static_cast<int32_t>(x + width);
    m_clip.y1 = static_cast<int32_t>(y + height);
    gr::DrawState state = m_context->drawState();
    state.clip = m_clip;
    m_context->setDrawState(state);
}

void Resources::openURL(const String& url)
{
    Ptr<pf::Launcher> launcher = new pf::Launcher;
    launcher->openURL(url);
}

// --- audio ---------------------------------------------------------------------

audio::AudioOutput* Resources::requireOutput(const char* action) const
{
    if (!m_audioOutput)
        throw lang::Exception(Format("Trying to {0} but no audio output has been created", action));
    return m_audioOutput.ptr();
}

void Resources::createAudioOutput(int channels, int bitsPerSample, int sampleRate)
{
    m_audioOutput = nullptr;
    m_audioOutput = new audio::AudioOutput(audio::AudioFormat(channels, bitsPerSample, sampleRate));
}

void Resources::createAudioInput(int channels, int bitsPerSample, int sampleRate)
{
    m_audioInput = nullptr;
    m_audioInput = new audio::AudioInput(audio::AudioFormat(channels, bitsPerSample, sampleRate));
}

void Resources::createAudio(const String& name, const String& file, bool streamed)
{
    audio::AudioOutput* output = requireOutput("create audio");
    const String path = fullPath(file);
    Ptr<audio::AudioClip> clip = streamed ? new audio::AudioClip(path) : audio::AudioClip::decode(path);
    // The output thread may be mixing the clip stored before: it is swapped out under the
    // mixer lock, its plays with it, so that thread neither mixes nor counts it after.
    if (Ptr<audio::AudioClip>* old = m_clips.find(name))
        output->replaceClip(*old, clip.ptr());
    else
        m_clips.put(name, clip);
}

int Resources::playAudio(const String& name, float volume, bool loop, int track)
{
    audio::AudioOutput* output = requireOutput("play audio clip");
    audio::AudioClip* clip = audioClip(name);
    return clip ? output->play(clip, volume, loop, track) : -1;
}

void Resources::stopAudio(const String& name)
{
    audio::AudioOutput* output = requireOutput("stop audio clip");
    if (audio::AudioClip* clip = audioClip(name))
        output->stop(clip);
}

void Resources::stopAllAudio()
{
    requireOutput("stop all audio clips")->stopAll();
}

bool Resources::isAudioPlaying(int handle) const
{
    return m_audioOutput && m_audioOutput->isPlaying(handle);
}

bool Resources::isAudioPlaying(const String& name) const
{
    audio::AudioClip* clip = audioClip(name);
    return m_audioOutput && clip && m_audioOutput->isClipPlaying(clip);
}

void Resources::startAudioOutput()
{
    requireOutput("start audio output")->start();
}

void Resources::stopAudioOutput()
{
    if (m_audioOutput)
        m_audioOutput->stop();
}

void Resources::startAudioInput()
{
    if (!m_audioInput)
        throw lang::Exception(Format("Trying to start audio input but no audio input has been created"));
    m_audioInput->start();
}

void Resources::stopAudioInput()
{
    if (m_audioInput)
        m_audioInput->stop();
}

void Resources::setMasterVolume(float volume)
{
    if (m_audioOutput)
        m_audioOutput->setMasterVolume(volume);
}

void Resources::setTrackVolume(int track, float volume)
{
    if (m_audioOutput)
        m_audioOutput->setTrackVolume(track, volume);
}

float Resources::getTrackVolume(int track) const
{
    return m_audioOutput ? m_audioOutput->getTrackVolume(track) : 0.0f;
}

Sprite* Resources::getSprite(const String& name)
{
    const SpriteEntry* e = entry(name);
    return e && e->kind == SpriteEntry::SPRITE ? e->sprite : nullptr;
}

} // namespace game
