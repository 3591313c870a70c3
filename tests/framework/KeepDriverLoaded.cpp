// Linked into the test programs that draw. Mesa's driver is unloaded when the video
// subsystem quits, before the leak check at exit; its allocations would then come from an
// unknown module that no suppression can name. Loading it once more, never to be
// unloaded, keeps its name on them, so that tests/lsan.supp can suppress it by library.

#include <dlfcn.h>

namespace {

const bool kKept = [] {
    dlopen("libGLX_mesa.so.0", RTLD_NOW | RTLD_NODELETE);
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    return true;
}();

} // namespace
