// Linked into every test program: nobody answers a dialog in a test run, so boxes become
// lines on stderr even when a test program is started by hand under an X server.

#include <cstdlib>

namespace {

const bool kNoDialogs = setenv("PELTERRA_NO_DIALOGS", "1", 0) == 0;

} // namespace
