#pragma once

namespace lang {

/// Asks a thread body to stop; the thread entry catches it (and anything else) quietly.
/// It is not a Throwable and nothing in the engine throws it today.
class ThreadInterruptedException
{
};

} // namespace lang
