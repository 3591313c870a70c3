#pragma once

#include "BuildError.h"
#include "Manifest.h"
#include "Output.h"
#include "lang/Ptr.h"
#include "lua/LuaState.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace build {

/// What one build step made.
struct StepResult
{
    std::vector<OutputFile> files;
    std::vector<std::string> sprites;  ///< sprite names, for atlases
    std::vector<std::string> warnings; ///< shown, not fatal
};

/// A texts file (ids x languages, tab-separated, UTF-8) as the engine's text file; each id
/// without a text in some language is a warning naming the file, the line and the language.
StepResult buildTexts(const SourceFile& source);

/// Composite sprites from their description; every part must name a sprite of the game's
/// atlases (sprite -> the atlas that makes it), and no composite a sprite's name.
StepResult buildComposites(const SourceFile& source, const std::map<std::string, std::string>& sprites);

/// Lua sources checked for syntax errors and enciphered with the script key.
class ScriptChecker
{
public:
    ScriptChecker();
    ~ScriptChecker();
    /// The enciphered bytes of the script at path; a syntax error throws BuildError naming
    /// the file and the line. `relative` is the name the error reports for the chunk.
    std::vector<uint8_t> encipher(const std::string& path, const std::string& relative);

private:
    lang::Ptr<lua::LuaState> m_lua;
};

/// A "line N: what" message of the text writers as a BuildError at file:N.
BuildError lineError(const std::string& file, const std::string& message);

/// Writes files into the output folder, each through a temporary file renamed into place,
/// and only when its bytes differ from what is there: a build with nothing changed writes
/// nothing, and an interrupted one leaves no half-written file.
class OutputWriter
{
public:
    explicit OutputWriter(std::string folder) : m_folder(std::move(folder)) {}
    void write(const std::string& path, const std::vector<uint8_t>& bytes);
    /// Removes a file made by an earlier build, and its folder when that is left empty.
    void remove(const std::string& path);
    int written() const { return m_written; }
    int removed() const { return m_removed; }

private:
    std::string m_folder;
    int m_written = 0;
    int m_removed = 0;
};

} // namespace build
