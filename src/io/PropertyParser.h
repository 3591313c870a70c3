#pragma once

#include "lang/Array.h"
#include "lang/Object.h"
#include "lang/String.h"

#include <cstdint>

namespace io {

/// A property set: "key = value" lines with "--" comments, read once into a sorted table
/// and then queried by type. Keys are stored lower case and looked up exactly as given.
///
/// Every failure is an IOException whose message names the key, the line or the set.
class PropertyParser : public lang::Object
{
public:
    /// Replaces the content with the entries of text; name is the set's name in messages.
    /// Throws IOException on a line without "=" (and then holds no entries).
    void parse(const lang::String& text, const lang::String& name);

    /// Copies the value of key into out; false when the key is missing.
    bool getString(const lang::String& key, lang::String& out) const;
    /// enabled/true/1/yes or disabled/false/0/no, in any letter case.
    bool getBoolean(const lang::String& key) const;
    /// A number without a fractional part.
    int32_t getInteger(const lang::String& key) const;
    /// Digits with an optional fraction and an exponent introduced by e, E, d or D;
    /// overflow gives plus or minus infinity.
    double getNumber(const lang::String& key) const;

    int size() const { return m_entries.size(); }
    const lang::String& name() const { return m_name; }

    /// Parses the number syntax above; false when value is not a number.
    static bool parseNumber(const lang::String& value, double* number);

private:
    struct Entry
    {
        lang::String key;
        lang::String value;
    };

    lang::String m_text;
    lang::String m_name;
    lang::Array<Entry> m_entries;

    const Entry* find(const lang::String& key) const;
    static int lowerBound(const lang::Array<Entry>& entries, const lang::String& key);
};

} // namespace io
