#pragma once

#include "gr/Texture.h"
#include "lang/Object.h"
#include "lang/Ptr.h"
#include "lang/String.h"

#include <cstdint>
#include <vector>

namespace gr {

class Context;

/// A shader of named parameters and techniques made of passes. Draw with begin(), then for
/// each pass beginPass(i) ... endPass(), then end().
class Shader : public lang::Object
{
public:
    /// Standard parameter identifiers; the "ById" setters use the name at the index.
    enum Id { ID_NONE, ID_CAMERAP, ID_WORLDTM, ID_VIEWTM, ID_VIEWTMINV, ID_VIEWPROJTM, ID_PROJTM, ID_TOTALTM,
              ID_BONEWORLDTM, ID_TIME, ID_LIGHTP0, ID_LIGHTC0 = 18, ID_COUNT = 26 };
    /// The name of a standard parameter identifier ("PROJTM", "LIGHTP3"), or "" outside them.
    static lang::String idName(int id);

    virtual lang::Ptr<Shader> clone() const = 0;
    /// Reads the effect file again; on an error the shader keeps what it had.
    virtual void reload() {}
    /// Selects the technique of that name ("" means "Default"); none found: inactive.
    virtual void setTechnique(const lang::String& name) = 0;
    virtual bool hasTechnique(const lang::String& name) const = 0;
    /// 0 when inactive; else the current technique's pass count.
    virtual int begin() = 0;
    virtual void beginPass(int index) = 0;
    virtual void endPass() = 0;
    virtual void end() {}
    virtual bool isActive() const = 0;

    void setTextureParam(const lang::String& name, Texture* texture);
    void setMatrix(const lang::String& name, const float matrix[16]);
    void setVector(const lang::String& name, const float vector[4]);
    void setFloat(const lang::String& name, float value);
    /// With a sort mode set, WORLDTM also reaches the context's triangle sorting.
    void setMatrixById(int id, const float matrix[16]);
    /// With a sort mode other than insideout, BONEWORLDTM also reaches the triangle sorting.
    void setMatrixArrayById(int id, const float* matrices, int count);
    /// With a sort mode set, CAMERAP also reaches the triangle sorting.
    void setVectorById(int id, const float vector[4]);
    void setFloatById(int id, float value) { setFloat(idName(id), value); }
    void setTextureParamById(int id, Texture* texture) { setTextureParam(idName(id), texture); }
    Texture* getTextureParam(const lang::String& name) const;
    float getFloat(const lang::String& name) const;
    /// The vector, or zeros when not set.
    void getVector(const lang::String& name, float out[4]) const;

    int8_t priority() const { return m_priority; }
    int sortMode() const { return m_sortMode; }
    void setSortMode(int mode) { m_sortMode = mode; }
    const lang::String& fileName() const { return m_fileName; }
    void setFileName(const lang::String& name) { m_fileName = name; }

protected:
    struct FloatParam { lang::String name; float value; };
    struct VectorParam { lang::String name; float value[4]; };
    struct MatrixParam { lang::String name; float value[16]; };
    struct TextureParam { lang::String name; lang::Ptr<Texture> texture; };

    std::vector<FloatParam> m_floats;
    std::vector<VectorParam> m_vectors;
    std::vector<MatrixParam> m_matrices;
    std::vector<TextureParam> m_textures;
    int8_t m_priority = 0;
    int m_sortMode = 0;
    /// The context whose triangle sorting the standard parameters feed; not owned.
    Context* m_sortContext = nullptr;
    lang::String m_fileName;
};

} // namespace gr
