#pragma once

#include "lang/Exception.h"

namespace gr {

/// A rendering failure: a context that can't be created, a resource the GPU can't take.
class GraphicsException : public lang::Exception
{
public:
    using lang::Exception::Exception;
};

} // namespace gr
