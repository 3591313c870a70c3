#pragma once

#include "lang/Array.h"
#include "lang/String.h"

namespace game {

/// A script failure taken apart for a report: its message, the script call stack, the
/// failing line and the source lines around it.
struct ScriptFailure
{
    /// A place in a script as the interpreter names it: the chunk's short name ("[C]" for a
    /// native, a long path cut to "..." and its end) and a line, 0 or less when unknown.
    struct Place
    {
        lang::String file;
        int line = 0;
    };

    lang::String message;            ///< what failed, without the call stack
    lang::String native;             ///< the native the failure was raised in; "" when unknown
    lang::Array<Place> callStack;    ///< innermost call first
    Place where;                     ///< the failing line: the innermost place in a script file
    lang::String sourceFile;         ///< the file the source lines were read from; "" when none
    lang::Array<lang::String> source; ///< the lines around the failing line
    int firstSourceLine = 0;         ///< the number of source[0]

    /// Splits a failure's text into the message and the call stack it ends with
    /// ("\nCall stack:\nfile(line)\n...(end)\n"). The failing line is the innermost place
    /// with a file and a line; without a call stack (a compile error), the first
    /// "file:line:" in the message.
    static ScriptFailure parse(const lang::String& text);
    /// Keeps the lines from context before the failing line to context after it, out of a
    /// script's whole text.
    void setSource(const lang::String& file, const lang::String& text, int context);
};

} // namespace game
