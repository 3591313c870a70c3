#include "game/TextGroupSet.h"

#include "game/ChunkFile.h"
#include "io/IOException.h"
#include "lang/Exception.h"

using lang::Format;
using lang::Ptr;
using lang::String;

namespace game {

namespace {

const uint32_t TEXT = chunkId("TEXT");
const uint32_t LDAT = chunkId("LDAT");
const uint32_t LIDS = chunkId("LIDS");
const uint32_t TXGP = chunkId("TXGP");
const int STRING_BYTES = 2; // the smallest string: its length alone

lang::Array<String> readStrings(ChunkFile& file, int count)
{
    lang::Array<String> strings;
    strings.reserve(count);
    for (int i = 0; i < count; ++i)
        strings.add(file.in().readUTF());
    return strings;
}

/// Moves into the version-1 "TEXT" chunk; false when the file has none. Its sub-chunks run
/// to the end of the file, past the chunk's own length.
bool enterTextChunk(ChunkFile& file)
{
    uint32_t id;
    int length;
    while (file.nextChunk(&id, &length)) {
        if (id == TEXT && file.readU16() == 1)
            return true;
        file.endChunk();
    }
    return false;
}

} // namespace

const String& TextGroup::get(const String& id)
{
    if (const String* text = m_texts.find(id))
        return *text;
    String& stored = m_texts[id];
    stored = id;
    return stored;
}

TextGroupSet::TextGroupSet(const String& fileName) : m_fileName(fileName)
{
    ChunkFile file(fileName);
    if (file.isChunked()) {
        if (!enterTextChunk(file))
            return;
        uint32_t id;
        int length;
        while (file.nextChunk(&id, &length)) {
            if (id == LDAT)
                m_languages = readStrings(file, file.readCount(STRING_BYTES));
            file.endChunk();
        }
    } else {
        file.skip(1);
        file.readLength();
        m_languages = readStrings(file, file.readByteCount(STRING_BYTES));
    }
}

int TextGroupSet::indexOf(const String& language) const
{
    for (int i = 0; i < m_languages.size(); ++i)
        if (m_languages[i] == language)
            return i;
    return -1;
}

Ptr<TextGroup> TextGroupSet::load(const String& language)
{
    if (language == "ALL") {
        // Read every language before storing any, so that a failure changes nothing.
        lang::Array<Ptr<TextGroup>> groups;
        for (int i = 0; i < m_languages.size(); ++i)
            groups.add(read(i));
        for (int i = 0; i < m_languages.size(); ++i)
            if (groups[i])
                m_groups.put(m_languages[i], groups[i]);
        return groups.isEmpty() ? nullptr : groups[0];
    }
    const int index = indexOf(language);
    if (index < 0)
        throw lang::Exception(
            Format("Trying to load TextGroup for language not present in data file. Language: \"{0}\"", language));
    Ptr<TextGroup> group = read(index);
    if (group)
        m_groups.put(language, group);
    return group;
}

Ptr<TextGroup> TextGroupSet::read(int index) const
{
    ChunkFile file(m_fileName);
    return file.isChunked() ? readChunked(file, index) : readOlder(file, index);
}

Ptr<TextGroup> TextGroupSet::readChunked(ChunkFile& file, int index) const
{
    if (!enterTextChunk(file))
        return nullptr;
    lang::Array<String> ids;
    bool haveIds = false;
    int groupsSeen = 0;
    uint32_t id;
    int length;
    while (file.nextChunk(&id, &length)) {
        if (id == LIDS) {
            ids = readStrings(file, file.readCount(STRING_BYTES));
            haveIds = true;
        } else if (id == TXGP) {
            if (!haveIds)
                throw io::IOException(Format("Missing LIDS chunk before TXGP chunk in file {0}", m_fileName));
            if (groupsSeen++ == index) {
                Ptr<TextGroup> group = new TextGroup;
                for (const String& textId : ids)
                    group->put(textId, file.in().readUTF());
                file.endChunk();
                return group;
            }
        }
        file.endChunk();
    }
    return nullptr;
}

Ptr<TextGroup> TextGroupSet::readOlder(ChunkFile& file, int index) const
{
    file.skip(1);
    file.skip(file.readLength());
    lang::Array<String> ids = readStrings(file, file.readCount(STRING_BYTES));
    file.skip(4 * index);
    file.skip(file.readLength());
    Ptr<TextGroup> group = new TextGroup;
    for (const String& textId : ids)
        group->put(textId, file.in().readUTF());
    return group;
}

void TextGroupSet::release(const String& language)
{
    if (language == "ALL") {
        m_groups.clear();
        return;
    }
    if (indexOf(language) < 0)
        throw lang::Exception(
            Format("Trying to release TextGroup for language not present in data file. Language: \"{0}\"", language));
    m_groups.remove(language);
}

TextGroup* TextGroupSet::get(const String& language) const
{
    if (const Ptr<TextGroup>* group = m_groups.find(language))
        return group->ptr();
    if (indexOf(language) >= 0)
        throw lang::Exception(
            Format("Trying to get TextGroup for language which is not loaded. Language: \"{0}\"", language));
    throw lang::Exception(
        Format("Trying to get TextGroup for language not present in data file. Language: \"{0}\"", language));
}

} // namespace game
