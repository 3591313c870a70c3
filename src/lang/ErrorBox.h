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
/// and text go to stderr.
void showErrorBox(const String& caption, const String& text);

/// Asks the user; Ignore when no box can be shown.
ErrorBoxAnswer askAbortRetryIgnore(const String& caption, const String& text);

/// A platform's boxes. lang itself links no window system, so until a platform installs
/// its table every box is a line on stderr. Each function returns false when it could not
/// show its box, and the text then goes to stderr as well.
struct ErrorBoxBackend
{
    /// Shows a box with one button and waits for it.
    bool (*show)(const String& caption, const String& text);
    /// Asks with Abort, Retry and Ignore, Ignore being the default button; stores the answer.
    bool (*ask)(const String& caption, const String& text, ErrorBoxAnswer* answer);
};

/// Shows every later box through backend, which must live until the process ends (a
/// static table); nullptr goes back to stderr only. Called by the platform at start-up;
/// any thread may show a box meanwhile.
void setErrorBoxBackend(const ErrorBoxBackend* backend);

} // namespace lang
