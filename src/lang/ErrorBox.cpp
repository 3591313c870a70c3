#include "lang/ErrorBox.h"

#include <cstdio>
#include <cstdlib>

namespace lang {

ErrorBoxAnswer showException(const Throwable& exception)
{
    const String message = exception.getMessage();
    std::printf("EXCEPTION: %s\n", message.c_str());
    std::fflush(stdout);
    ErrorBoxAnswer answer = askAbortRetryIgnore("C++ Exception Generated!", message);
    if (answer == ErrorBoxAnswer::Abort)
        std::exit(-1);
    return answer;
}

} // namespace lang
