#pragma once

#include "lang/Array.h"
#include "lang/Hashtable.h"
#include "lang/Ptr.h"
#include "lang/String.h"

namespace game {

class ChunkFile;

/// The texts of one language, by id.
class TextGroup : public lang::Object
{
public:
    /// The text of id. A missing id is stored as its own text and returned, so a missing
    /// text shows its id on screen.
    const lang::String& get(const lang::String& id);
    void put(const lang::String& id, const lang::String& text) { m_texts.put(id, text); }
    int size() const { return m_texts.size(); }

private:
    lang::Hashtable<lang::String, lang::String> m_texts;
};

/// One text file holding the texts of several languages; languages are loaded one at a time.
///
/// The file is read again on every load, so that only the languages in use stay in memory.
class TextGroupSet : public lang::Object
{
public:
    /// Reads the language list of fileName. Throws IOException.
    explicit TextGroupSet(const lang::String& fileName);

    /// Reads one language's texts and stores them under its name, replacing earlier ones.
    /// "ALL" loads every language and returns the first one's group. Returns null when the
    /// file ends before the language's texts. A failure leaves the set as it was.
    lang::Ptr<TextGroup> load(const lang::String& language);
    /// Drops a loaded language; "ALL" drops every one.
    void release(const lang::String& language);
    using lang::Object::release; // the reference count's own
    /// A loaded language's texts; throws lang::Exception when it isn't loaded.
    TextGroup* get(const lang::String& language) const;

    const lang::Array<lang::String>& languages() const { return m_languages; }
    bool hasLanguage(const lang::String& language) const { return indexOf(language) >= 0; }
    bool isLoaded(const lang::String& language) const { return m_groups.containsKey(language); }
    const lang::String& fileName() const { return m_fileName; }

private:
    lang::String m_fileName;
    lang::Array<lang::String> m_languages;
    lang::Hashtable<lang::String, lang::Ptr<TextGroup>> m_groups;

    int indexOf(const lang::String& language) const;
    lang::Ptr<TextGroup> read(int index) const;
    lang::Ptr<TextGroup> readChunked(ChunkFile& file, int index) const;
    lang::Ptr<TextGroup> readOlder(ChunkFile& file, int index) const;
};

} // namespace game
