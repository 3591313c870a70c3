#include "gr/Shader.h"

#include "gr/Context.h"

#include <cstring>
#include <string>

namespace gr {

namespace {

template <class List>
auto* findParam(List& list, const lang::String& name)
{
    for (auto& param : list)
        if (param.name == name)
            return &param;
    return static_cast<decltype(&list[0])>(nullptr);
}

} // namespace

lang::String Shader::idName(int id)
{
    static const char* const names[] = {"NONE", "CAMERAP", "WORLDTM", "VIEWTM", "VIEWTMINV", "VIEWPROJTM",
                                        "PROJTM", "TOTALTM", "BONEWORLDTM", "TIME"};
    if (id >= 0 && id < 10)
        return names[id];
    if (id >= ID_LIGHTP0 && id < ID_LIGHTC0)
        return lang::String("LIGHTP" + std::to_string(id - ID_LIGHTP0));
    if (id >= ID_LIGHTC0 && id < ID_COUNT)
        return lang::String("LIGHTC" + std::to_string(id - ID_LIGHTC0));
    return lang::String();
}

void Shader::setMatrixById(int id, const float matrix[16])
{
    setMatrix(idName(id), matrix);
    if (m_sortContext && m_sortMode != 0 && id == ID_WORLDTM)
        m_sortContext->setSortWorldTransform(matrix);
}

void Shader::setMatrixArrayById(int id, const float* matrices, int count)
{
    // Programs read bone matrices as an array uniform the effect names "BONEWORLDTM[i]".
    for (int i = 0; i < count; ++i)
        setMatrix(lang::String(std::string(idName(id).c_str()) + "[" + std::to_string(i) + "]"), matrices + 16 * i);
    if (m_sortContext && m_sortMode != 0 && m_sortMode != 3 && id == ID_BONEWORLDTM)
        m_sortContext->setSortBoneTransforms(matrices, count);
}

void Shader::setVectorById(int id, const float vector[4])
{
    setVector(idName(id), vector);
    if (m_sortContext && m_sortMode != 0 && id == ID_CAMERAP)
        m_sortContext->setSortCamera(vector);
}

void Shader::setTextureParam(const lang::String& name, Texture* texture)
{
    if (auto* param = findParam(m_textures, name))
        param->texture = texture;
    else
        m_textures.push_back({name, texture});
}

void Shader::setMatrix(const lang::String& name, const float matrix[16])
{
    auto* param = findParam(m_matrices, name);
    if (!param) {
        m_matrices.push_back({name, {}});
        param = &m_matrices.back();
    }
    std::memcpy(param->value, matrix, sizeof(param->value));
}

void Shader::setVector(const lang::String& name, const float vector[4])
{
    auto* param = findParam(m_vectors, name);
    if (!param) {
        m_vectors.push_back({name, {}});
        param = &m_vectors.back();
    }
    std::memcpy(param->value, vector, sizeof(param->value));
}

void Shader::setFloat(const lang::String& name, float value)
{
    if (auto* param = findParam(m_floats, name))
        param->value = value;
    else
        m_floats.push_back({name, value});
}

Texture* Shader::getTextureParam(const lang::String& name) const
{
    auto* param = findParam(const_cast<std::vector<TextureParam>&>(m_textures), name);
    return param ? param->texture.ptr() : nullptr;
}

float Shader::getFloat(const lang::String& name) const
{
    auto* param = findParam(const_cast<std::vector<FloatParam>&>(m_floats), name);
    return param ? param->value : 0.0f;
}

void Shader::getVector(const lang::String& name, float out[4]) const
{
    auto* param = findParam(const_cast<std::vector<VectorParam>&>(m_vectors), name);
    for (int i = 0; i < 4; ++i)
        out[i] = param ? param->value[i] : 0.0f;
}

} // namespace gr
