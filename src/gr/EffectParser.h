#pragma once

#include "gr/RenderState.h"
#include "lang/Array.h"
#include "lang/String.h"

#include <cstdint>
#include <vector>

namespace gr {

/// What turns the parsed passes into programs: the GL renderer compiles and links; tests
/// record. Each call may throw GraphicsException with the inner message.
class EffectBuilder
{
public:
    virtual ~EffectBuilder() = default;
    virtual void vertexShader(const lang::String& source, const lang::String& fileName) = 0;
    virtual void fragmentShader(const lang::String& source, const lang::String& fileName) = 0;
    /// The pass is complete: link it with its render state.
    virtual void endPass(const lang::String& technique, const lang::String& pass, const RenderState& state) = 0;
};

/// Reads an effect file: include lines, tokens with line numbers, pre-processor scopes,
/// shader and pass properties, techniques and passes. Errors are GraphicsException
/// "Error in effect: {0}\n\n{1}".
class EffectParser
{
public:
    enum SortMode { SORT_NONE, SORT_BACKTOFRONT, SORT_FRONTTOBACK, SORT_INSIDEOUT, SORT_OUTSIDEIN };

    struct Technique
    {
        lang::String name;
        std::vector<lang::String> passes;
    };

    /// Parses the effect file at path, handing every pass to builder.
    void parse(const lang::String& path, EffectBuilder& builder);
    /// Parses text as if read from path (includes are resolved relative to path).
    void parseText(const lang::String& text, const lang::String& path, EffectBuilder& builder);

    int8_t priority() const { return m_priority; }
    SortMode sortMode() const { return m_sort; }
    const std::vector<Technique>& techniques() const { return m_techniques; }
    /// Whether a directive asked for the "TEX0_OFFSET" parameter.
    bool moveUV() const { return m_moveUV; }

    /// The text with every #include line replaced by the file it names.
    static lang::String resolveIncludes(const lang::String& text, const lang::String& path);

private:
    struct Token
    {
        lang::String text;
        int line;
    };

    std::vector<Token> m_tokens;
    size_t m_at = 0;
    std::vector<std::vector<lang::String>> m_scopes;
    int8_t m_priority = 0;
    SortMode m_sort = SORT_NONE;
    std::vector<Technique> m_techniques;
    bool m_moveUV = false;
    lang::String m_path;
    EffectBuilder* m_builder = nullptr;

    void tokenize(const lang::String& text);
    void directive();
    void skipConditional(bool toElse);
    bool defined(const lang::String& name) const;
    void shaderProperty();
    void technique();
    void pass(Technique& technique);
    void passProperty(RenderState& state, bool& vertex, bool& fragment);
    bool property(const char* eofMessage, lang::String* name, lang::String* value);
    lang::String directivePrefix() const;
    lang::String stageSource(const lang::String& file) const;
};

} // namespace gr
