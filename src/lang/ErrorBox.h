#pragma once

#include "lang/Throwable.h"

namespace lang {

/// The answers of the error box.
enum class ErrorBoxAnswer { Abort, Retry, Ignore };

/// Shows a recoverable failure: prints "EXCEPTION: <message>" to stdout, then a modal box
/// captioned "C++ Exception Generated!" with Abort, Retry and Ignore. Abort ends the
/// process with exit code -1; the other answers are returned.
///
/// Where nobody can see a box (no display, or PELTERRA_NO_DIALOGS set) the text goes to
/// stderr and the answer is Ignore: the process never waits on an invisible box.
ErrorBoxAnswer showException(const Throwable& exception);

/// Shows a box with one button and waits for it; where nobody can see a box the caption
/// and text go to stderr. Implemented by the platform backend.
void showErrorBox(const String& caption, const String& text);

/// Asks the user; Ignore when no box can be shown. Implemented by the platform backend.
ErrorBoxAnswer askAbortRetryIgnore(const String& caption, const String& text);

} // namespace lang
