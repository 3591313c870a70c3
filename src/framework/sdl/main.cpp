#include "lang/Debug.h"

// The process entry. The application frame (window, rendering context, frame loop)
// is the next layer to arrive; until then the executable only reports what it is.
int main(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i)
        lang::log("argv[%d] = %s\n", i, argv[i]);
    lang::log("Pelterra %s: the application frame is not part of this build yet\n", PELTERRA_VERSION);
    return 0;
}
