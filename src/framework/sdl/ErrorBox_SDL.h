#pragma once

namespace framework {

/// Shows lang's error boxes as SDL message boxes from now on. SDL needs no initialisation
/// for them, so a box can appear before the window exists and after it is gone.
void installErrorBox_SDL();

} // namespace framework
