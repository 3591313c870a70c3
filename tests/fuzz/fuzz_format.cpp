// The formatter's grammar: byte 0 is the capacity of the buffer rendered into, byte 1 the
// kinds of the four arguments (two bits each: none, number, text), bytes 2-9 the number,
// then the format string up to a zero byte and the text argument after it.

#include "FuzzSupport.h"

#include "lang/Format.h"

#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 10)
        return 0;
    fuzz::quiet();
    const int capacity = data[0];
    const int kinds = data[1];
    double number;
    std::memcpy(&number, data + 2, sizeof(number));
    const std::string rest(reinterpret_cast<const char*>(data + 10), size - 10);
    const size_t zero = rest.find('\0');
    const lang::String format(rest.substr(0, zero));
    const lang::String text(zero == std::string::npos ? std::string() : rest.substr(zero + 1));

    lang::FormatArg args[4];
    for (int i = 0; i < 4; ++i) {
        switch ((kinds >> (2 * i)) & 3) {
        case 1: args[i] = lang::FormatArg(number); break;
        case 2: args[i] = lang::FormatArg(text); break;
        default: break;
        }
    }
    const lang::Format message(format, args[0], args[1], args[2], args[3]);
    try {
        // Exactly the capacity asked for, so that a write past it is caught.
        std::vector<char> buffer(static_cast<size_t>(capacity));
        buffer.reserve(1);
        message.format(buffer.data(), capacity);
        message.toString();
    } catch (const lang::Throwable&) {
    }
    return 0;
}
