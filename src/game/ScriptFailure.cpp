#include "game/ScriptFailure.h"

#include <cctype>
#include <cstdlib>
#include <string>

using lang::String;

namespace game {

namespace {

const char* const kCallStack = "\nCall stack:\n";

/// "file(line)" as the call stack writes it.
ScriptFailure::Place parsePlace(const String& text)
{
    ScriptFailure::Place place;
    const int open = text.lastIndexOf('(');
    if (open <= 0 || !text.endsWith(")")) {
        place.file = text;
        return place;
    }
    place.file = text.substring(0, open);
    place.line = std::atoi(text.substring(open + 1, text.length() - 1).c_str());
    return place;
}

/// The first "file:line:" in a message, the file being what precedes the line number up to
/// a space (the interpreter's own messages put it first; a compile error after its prefix).
bool findPlace(const String& message, ScriptFailure::Place* place)
{
    const std::string& text = message.str();
    for (size_t colon = text.find(':'); colon != std::string::npos; colon = text.find(':', colon + 1)) {
        size_t end = colon + 1;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end == colon + 1 || end >= text.size() || text[end] != ':')
            continue;
        const size_t space = text.rfind(' ', colon);
        const size_t start = space == std::string::npos ? 0 : space + 1;
        if (start == colon)
            continue;
        place->file = String(text.substr(start, colon - start));
        place->line = std::atoi(text.substr(colon + 1, end - colon - 1).c_str());
        return true;
    }
    return false;
}

} // namespace

ScriptFailure ScriptFailure::parse(const String& text)
{
    ScriptFailure failure;
    const int stack = text.indexOf(kCallStack);
    const int unavailable = text.indexOf(" (call stack not available)");
    failure.message = stack >= 0 ? text.substring(0, stack) : unavailable >= 0 ? text.substring(0, unavailable) : text;
    if (stack >= 0) {
        String rest = text.substring(stack + static_cast<int>(std::char_traits<char>::length(kCallStack)));
        while (!rest.isEmpty()) {
            const int end = rest.indexOf('\n');
            const String line = end >= 0 ? rest.substring(0, end) : rest;
            rest = end >= 0 ? rest.substring(end + 1) : String();
            if (line == "(end)")
                break;
            if (!line.isEmpty())
                failure.callStack.add(parsePlace(line));
        }
    }
    for (const Place& place : failure.callStack) {
        // Natives and library functions show as "[C]" without a line.
        if (place.line > 0 && !place.file.startsWith("[")) {
            failure.where = place;
            break;
        }
    }
    if (failure.where.file.isEmpty())
        findPlace(failure.message, &failure.where);
    return failure;
}

void ScriptFailure::setSource(const String& file, const String& text, int context)
{
    sourceFile = file;
    source.clear();
    firstSourceLine = where.line - context < 1 ? 1 : where.line - context;
    int number = 1;
    for (int start = 0; start <= text.length() && number <= where.line + context; ++number) {
        if (start == text.length() && number > 1)
            break; // the text's last line break ends the last line; no empty one follows
        int end = text.indexOf('\n', start);
        if (end < 0)
            end = text.length();
        if (number >= firstSourceLine) {
            String line = text.substring(start, end);
            if (line.endsWith("\r"))
                line = line.substring(0, line.length() - 1);
            source.add(line);
        }
        if (end == text.length())
            break;
        start = end + 1;
    }
    if (source.isEmpty())
        firstSourceLine = 0;
}

} // namespace game
