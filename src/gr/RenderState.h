#pragma once

#include <cstdint>

namespace gr {

/// The fixed-function state a pass sets (GL enum values), with the context's defaults.
struct RenderState
{
    uint8_t cullEnable = 1;
    uint16_t cullFace = 0x0405;      // GL_BACK
    uint8_t depthTestEnable = 1;
    uint8_t depthWriteEnable = 1;
    uint16_t depthFunction = 0x0201; // GL_LESS
    uint8_t blendEnable = 0;
    uint16_t blendEquation = 0x8006; // GL_FUNC_ADD
    uint16_t blendSource = 1;        // GL_ONE
    uint16_t blendDestination = 0;   // GL_ZERO
    uint32_t program = 0;
};

} // namespace gr
