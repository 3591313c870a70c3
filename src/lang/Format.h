#pragma once

#include "lang/String.h"

namespace lang {

/// One argument of a Format: nothing, a number or a text.
class FormatArg
{
public:
    enum Kind { KIND_NONE = 0, KIND_NUMBER = 1, KIND_TEXT = 2 };

    FormatArg() = default;
    FormatArg(double number) : m_kind(KIND_NUMBER), m_number(number) {}
    FormatArg(float number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(int number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(unsigned number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(long number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(unsigned long number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(long long number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(unsigned long long number) : FormatArg(static_cast<double>(number)) {}
    FormatArg(const String& text) : m_kind(KIND_TEXT), m_text(text) {}
    FormatArg(const char* text) : m_kind(KIND_TEXT), m_text(text) {}

    Kind kind() const { return m_kind; }
    double number() const { return m_number; }
    const String& text() const { return m_text; }

private:
    Kind m_kind = KIND_NONE;
    double m_number = 0.0;
    String m_text;
};

/// A message with numbered placeholders {0} to {9}, rendered only when shown.
///
/// Grammar: a backslash makes the next character literal; {N} inserts argument N (one
/// digit); {N,spec} formats a number by spec ("x", "X", "d", "i" for a truncated integer,
/// "0" and "#" digits around "." for fixed point, otherwise %g). A malformed format string
/// throws FormatException carrying the string and the position of the fault.
class Format
{
public:
    static const int MAX_ARGS = 10;

    Format() = default;
    explicit Format(const String& format) : m_format(format) {}
    Format(const String& format, const FormatArg& arg0);
    Format(const String& format, const FormatArg& arg0, const FormatArg& arg1);
    Format(const String& format, const FormatArg& arg0, const FormatArg& arg1, const FormatArg& arg2);
    Format(const String& format, const FormatArg& arg0, const FormatArg& arg1, const FormatArg& arg2, const FormatArg& arg3);

    /// Renders into buffer, writing at most capacity bytes including the terminating zero
    /// (the output is cut to fit). Returns the length of the complete output + 1, also when
    /// it was cut.
    int format(char* buffer, int capacity) const;

    /// Renders the whole message, never cut.
    String toString() const;

    const String& formatString() const { return m_format; }
    int argumentCount() const { return m_argc; }
    const FormatArg& argument(int index) const { return m_args[index]; }

private:
    String m_format;
    int m_argc = 0;
    FormatArg m_args[MAX_ARGS];
};

} // namespace lang
