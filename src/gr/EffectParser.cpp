#include "gr/EffectParser.h"

#include "gr/GraphicsException.h"
#include "io/FileInputStream.h"
#include "io/PathName.h"

#include <cstdlib>
#include <map>
#include <string>

using lang::Format;
using lang::String;

namespace gr {

namespace {

String readFile(const String& path)
{
    // Named as the bundle names its entries ("./shaders/a.fx" is "shaders/a.fx" there):
    // a game whose data path is "./" must find its effects in its bundle.
    io::FileInputStream in(io::PathName(path).fullPath());
    std::string text(static_cast<size_t>(in.available()), '\0');
    text.resize(static_cast<size_t>(in.read(&text[0], static_cast<int>(text.size()))));
    return String(std::move(text));
}

String directoryOf(const String& path)
{
    return io::PathName(path).parent().fullPath();
}

bool isSeparator(char c)
{
    return c == '#' || c == ';' || c == '=' || c == '{' || c == '}';
}

bool isSpace(char c)
{
    return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

/// A NAME or VALUE token: one that does not begin with a separator character.
bool isWord(const String& token)
{
    return !token.isEmpty() && !isSeparator(token[0]);
}

[[noreturn]] void fail(const Format& message)
{
    throw GraphicsException(message);
}

const std::map<std::string, uint16_t>& glValues()
{
    static const std::map<std::string, uint16_t> values = {
        {"TRUE", 1}, {"FALSE", 0}, {"FRONT", 0x0404}, {"BACK", 0x0405}, {"FRONT_AND_BACK", 0x0408},
        {"NEVER", 0x0200}, {"LESS", 0x0201}, {"EQUAL", 0x0202}, {"LEQUAL", 0x0203}, {"GREATER", 0x0204},
        {"NOTEQUAL", 0x0205}, {"GEQUAL", 0x0206}, {"ALWAYS", 0x0207}, {"FUNC_ADD", 0x8006},
        {"FUNC_SUBTRACT", 0x800A}, {"FUNC REVERSE SUBTRACT", 0x800B}, {"ZERO", 0}, {"ONE", 1},
        {"SRC_COLOR", 0x0300}, {"ONE_MINUS_SRC_COLOR", 0x0301}, {"SRC_ALPHA", 0x0302},
        {"ONE_MINUS_SRC_ALPHA", 0x0303}, {"DST_ALPHA", 0x0304}, {"ONE_MINUS_DST_ALPHA", 0x0305},
        {"DST_COLOR", 0x0306}, {"ONE_MINUS_DST_COLOR", 0x0307}, {"SRC_ALPHA_SATURATE", 0x0308}};
    return values;
}

/// The GL value of a render-state word allowed for key.
uint16_t stateValue(const String& key, const String& value)
{
    static const std::map<std::string, std::vector<std::string>> allowed = {
        {"EnableCulling", {"TRUE", "FALSE"}},
        {"CullFace", {"FRONT", "BACK", "FRONT_AND_BACK"}},
        {"EnableDepthTest", {"TRUE", "FALSE"}},
        {"EnableDepthMask", {"TRUE", "FALSE"}},
        {"DepthFunc", {"NEVER", "ALWAYS", "LESS", "LEQUAL", "EQUAL", "GREATER", "GEQUAL", "NOTEQUAL"}},
        {"EnableBlending", {"TRUE", "FALSE"}},
        {"BlendEquation", {"FUNC_ADD", "FUNC_SUBTRACT", "FUNC REVERSE SUBTRACT"}},
        {"BlendFuncSrc", {"ZERO", "ONE", "DST_COLOR", "ONE_MINUS_DST_COLOR", "SRC_ALPHA_SATURATE", "SRC_ALPHA",
                          "ONE_MINUS_SRC_ALPHA", "DST_ALPHA", "ONE_MINUS_DST_ALPHA"}},
        {"BlendFuncDst", {"ZERO", "ONE", "SRC_COLOR", "ONE_MINUS_SRC_COLOR", "SRC_ALPHA", "ONE_MINUS_SRC_ALPHA",
                          "DST_ALPHA", "ONE_MINUS_DST_ALPHA"}}};
    auto words = allowed.find(key.str());
    if (words == allowed.end())
        fail(Format("Unsupported key \"{0}\"", key));
    for (const std::string& word : words->second)
        if (value.str() == word)
            return glValues().at(word);
    fail(Format("Unsupported value \"{0}\"", value));
}

/// Replaces text's #include lines by the files they name, each found beside the file that
/// names it (path): an included file's own includes resolve against its folder. Messages
/// name top, the file being resolved; seen holds every file included so far.
std::string spliceIncludes(std::string text, const String& path, const String& top, std::vector<String>& seen)
{
    for (size_t at; (at = text.find("#include")) != std::string::npos;) {
        size_t end = text.find_first_of("\n\r", at);
        if (end == std::string::npos)
            end = text.size();
        const size_t open = text.find('"', at);
        const size_t close = open < end ? text.find('"', open + 1) : std::string::npos;
        if (open >= end || close == std::string::npos || close >= end)
            fail(Format("File {0}: Malformed #include!", top));
        const String name = io::PathName(directoryOf(path), String(text.substr(open + 1, close - open - 1))).fullPath();
        for (const String& before : seen)
            if (before == name)
                fail(Format("File {0} contains cyclic dependencies ({1}) which are not supported!", top, name));
        seen.push_back(name);
        text.replace(at, end - at, spliceIncludes(readFile(name).str(), name, top, seen));
    }
    return text;
}

} // namespace

String EffectParser::resolveIncludes(const String& original, const String& path)
{
    std::vector<String> seen{io::PathName(path).fullPath()};
    return String(spliceIncludes(original.str(), path, path, seen));
}

void EffectParser::tokenize(const String& text)
{
    m_tokens.clear();
    int line = 1;
    int i = 0;
    const int n = text.length();
    while (i < n) {
        const char c = text[i];
        if (isSpace(c)) {
            line += c == '\n';
            ++i;
        } else if (isSeparator(c)) {
            m_tokens.push_back({String(&text.c_str()[i], 1), line});
            ++i;
        } else {
            const int begin = i;
            while (i < n && !isSpace(text[i]) && !isSeparator(text[i]))
                ++i;
            m_tokens.push_back({text.substring(begin, i), line});
        }
    }
}

void EffectParser::parse(const String& path, EffectBuilder& builder)
{
    String text;
    try {
        text = readFile(path);
    } catch (const lang::Throwable& e) {
        throw GraphicsException(Format("Error in effect: {0}\n\n{1}", path, e.getMessage()));
    }
    parseText(text, path, builder);
}

void EffectParser::parseText(const String& text, const String& path, EffectBuilder& builder)
{
    m_path = path;
    m_builder = &builder;
    m_scopes.assign(1, {});
    m_techniques.clear();
    m_priority = 0;
    m_sort = SORT_NONE;
    m_moveUV = false;
    try {
        tokenize(resolveIncludes(text, path));
        m_at = 0;
        while (m_at < m_tokens.size()) {
            const Token& token = m_tokens[m_at];
            if (token.text == "#") {
                directive();
            } else if (token.text == "}") {
                fail(Format("Line {0}: Unexpected '{1}' encountered", token.line, token.text));
            } else if (token.text == "technique") {
                technique();
            } else {
                shaderProperty();
            }
        }
    } catch (const lang::Throwable& e) {
        throw GraphicsException(Format("Error in effect: {0}\n\n{1}", path, e.getMessage()));
    }
}

String EffectParser::directivePrefix() const
{
    String prefix;
    for (const auto& scope : m_scopes)
        for (const String& line : scope)
            prefix += line + "\n";
    return prefix;
}

bool EffectParser::defined(const String& name) const
{
    for (const auto& scope : m_scopes)
        for (const String& line : scope)
            if (line.length() > 8 && line.substring(8) == name)
                return true;
    return false;
}

void EffectParser::skipConditional(bool toElse)
{
    int depth = 0;
    while (m_at < m_tokens.size()) {
        const String& text = m_tokens[m_at++].text;
        if (text == "ifdef") {
            ++depth;
        } else if (text == "endif") {
            if (depth-- == 0)
                return;
        } else if (toElse && text == "else" && depth == 0) {
            return;
        }
    }
}

void EffectParser::directive()
{
    const int line = m_tokens[m_at].line;
    if (++m_at >= m_tokens.size())
        fail(Format("Line {0}: Unexpected EOF while parsing pre-prosessor directive", line));
    const Token& word = m_tokens[m_at++];
    if (word.text == "define" || word.text == "pragma" || word.text == "version") {
        if (m_at >= m_tokens.size())
            fail(Format("Line {0}: Unexpected EOF while parsing pre-prosessor directive", word.line));
        const String& value = m_tokens[m_at++].text;
        m_scopes.back().push_back("#" + word.text + " " + value);
        if (value == "ENABLE_MOVEUV")
            m_moveUV = true;
    } else if (word.text == "ifdef") {
        if (m_at >= m_tokens.size())
            fail(Format("Line {0}: Unexpected EOF while parsing pre-prosessor directive", word.line));
        if (defined(m_tokens[m_at++].text))
            return;
        skipConditional(true);
    } else if (word.text == "else") {
        skipConditional(false);
    } else if (word.text == "endif") {
    } else {
        fail(Format("Line {0}: Unsupported pre-prosessor directive {1}", word.line, word.text));
    }
}

bool EffectParser::property(const char* eofMessage, String* name, String* value)
{
    const Token& first = m_tokens[m_at];
    if (m_at + 3 >= m_tokens.size())
        fail(Format(eofMessage, first.line));
    if (!isWord(first.text))
        fail(Format("Line {0}: Malformed name '{1}' for property!", first.line, first.text));
    const Token& equals = m_tokens[m_at + 1];
    if (equals.text != "=")
        fail(Format("Line {0}: Malformed property! Expecting '=' instead of {1}", equals.line, equals.text));
    const Token& valueToken = m_tokens[m_at + 2];
    if (!isWord(valueToken.text))
        fail(Format("Line {0}: Malformed value '{1}' for property!", valueToken.line, valueToken.text));
    // A value may hold blanks ("FUNC REVERSE SUBTRACT"): words up to the ";" join.
    String joined = valueToken.text;
    size_t at = m_at + 3;
    while (at < m_tokens.size() && isWord(m_tokens[at].text) && m_tokens[at].line == valueToken.line)
        joined += " " + m_tokens[at++].text;
    if (at >= m_tokens.size())
        fail(Format(eofMessage, first.line));
    if (m_tokens[at].text != ";")
        fail(Format("Line {0}: Malformed property! Expecting ';' instead of {1}", m_tokens[at].line, m_tokens[at].text));
    *name = first.text;
    *value = joined;
    m_at = at + 1;
    return true;
}

void EffectParser::shaderProperty()
{
    String name, value;
    property("Line {0}: Unexpected EOF while parsing property", &name, &value);
    if (name == "priority") {
        m_priority = static_cast<int8_t>(static_cast<uint8_t>(std::atoi(value.c_str())));
    } else if (name == "sort") {
        static const char* const modes[] = {"none", "backtofront", "fronttoback", "insideout", "outsidein"};
        int found = -1;
        for (int i = 0; i < 5; ++i)
            if (value == modes[i])
                found = i;
        if (found < 0)
            fail(Format("Unknown sort mode {0}", value));
        m_sort = static_cast<SortMode>(found);
    } else {
        fail(Format("Unknown property for shader: {0}", name));
    }
}

void EffectParser::technique()
{
    const Token& keyword = m_tokens[m_at];
    if (m_at + 2 >= m_tokens.size())
        fail(Format("Line {0}: Unexpected EOF while parsing 'technique'", keyword.line));
    const Token& name = m_tokens[m_at + 1];
    if (!isWord(name.text))
        fail(Format("Line {0}: Malformed or missing name '{1}' for 'technique'", name.line, name.text));
    const Token& open = m_tokens[m_at + 2];
    if (open.text != "{")
        fail(Format("Line {0}: Expected '{1}' instead of: {2}", open.line, "{", open.text));
    m_at += 3;
    Technique technique{name.text, {}};
    m_scopes.push_back({});
    for (;;) {
        if (m_at >= m_tokens.size())
            fail(Format("Unexpected EOF while parsing file"));
        const Token& token = m_tokens[m_at];
        if (token.text == "}") {
            ++m_at;
            break;
        }
        if (token.text == "#") {
            directive();
            continue;
        }
        if (token.text != "pass")
            fail(Format("Line {0}: Unexpected token '{1}', expecting 'pass'", token.line, token.text));
        pass(technique);
    }
    m_scopes.pop_back();
    m_techniques.push_back(technique);
}

String EffectParser::stageSource(const String& file) const
{
    const String path = io::PathName(directoryOf(m_path), file).fullPath();
    return directivePrefix() + resolveIncludes(readFile(path), path);
}

void EffectParser::pass(Technique& technique)
{
    const Token& keyword = m_tokens[m_at];
    if (m_at + 2 >= m_tokens.size())
        fail(Format("Line {0}: Unexpected EOF while parsing 'pass'", keyword.line));
    const Token& name = m_tokens[m_at + 1];
    if (!isWord(name.text))
        fail(Format("Line {0}: Malformed or missing name '{1}' for 'pass'", name.line, name.text));
    const Token& open = m_tokens[m_at + 2];
    if (open.text != "{")
        fail(Format("Line {0}: Expected '{1}' instead of: {2}", open.line, "{", open.text));
    m_at += 3;
    m_scopes.push_back({});
    RenderState state;
    bool vertex = false, fragment = false;
    for (;;) {
        if (m_at >= m_tokens.size())
            fail(Format("Unexpected EOF while parsing file"));
        const Token& token = m_tokens[m_at];
        if (token.text == "}") {
            if (!vertex)
                fail(Format("Line {0}: Pass missing vertex shader!", token.line));
            if (!fragment)
                fail(Format("Line {0}: Pass missing pixel shader!", token.line));
            ++m_at;
            m_builder->endPass(technique.name, name.text, state);
            break;
        }
        if (token.text == "#") {
            directive();
            continue;
        }
        passProperty(state, vertex, fragment);
    }
    m_scopes.pop_back();
    technique.passes.push_back(name.text);
}

void EffectParser::passProperty(RenderState& state, bool& vertex, bool& fragment)
{
    String key, value;
    property("Line {0}: Unexpected EOF while parsing pass property", &key, &value);
    if (key == "VertexShader") {
        m_builder->vertexShader(stageSource(value), value);
        vertex = true;
    } else if (key == "PixelShader") {
        m_builder->fragmentShader(stageSource(value), value);
        fragment = true;
    } else {
        const uint16_t gl = stateValue(key, value);
        if (key == "EnableCulling") state.cullEnable = static_cast<uint8_t>(gl);
        else if (key == "CullFace") state.cullFace = gl;
        else if (key == "EnableDepthTest") state.depthTestEnable = static_cast<uint8_t>(gl);
        else if (key == "EnableDepthMask") state.depthWriteEnable = static_cast<uint8_t>(gl);
        else if (key == "DepthFunc") state.depthFunction = gl;
        else if (key == "EnableBlending") state.blendEnable = static_cast<uint8_t>(gl);
        else if (key == "BlendEquation") state.blendEquation = gl;
        else if (key == "BlendFuncSrc") state.blendSource = gl;
        else if (key == "BlendFuncDst") state.blendDestination = gl;
    }
}

} // namespace gr
