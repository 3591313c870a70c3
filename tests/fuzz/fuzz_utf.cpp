// The text-encoding converter: byte 0 chooses the source and the target encoding (codes
// 0-8, the unused ones included), the rest is converted; the rest is also decoded one code
// point at a time and turned into UTF-16 as the fonts do.

#include "FuzzSupport.h"

#include "lang/String.h"
#include "lang/UTFConverter.h"

#include <vector>

using lang::UTFConverter;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const auto source = static_cast<UTFConverter::Encoding>(data[0] % 9);
    const auto target = static_cast<UTFConverter::Encoding>(data[0] / 9 % 9);
    // A copy of exactly the bytes: a decoder reading past them is caught.
    const std::vector<uint8_t> text(data + 1, data + size);
    const uint8_t* at = text.data();
    const uint8_t* end = at + text.size();
    UTFConverter(source, target).convert(at, static_cast<int>(text.size()));
    while (at < end) {
        int32_t code;
        const int used = UTFConverter::decode(source, at, end, &code);
        if (used > 0) {
            lang::String out;
            UTFConverter::encode(target, code, out);
        }
        at += used > 0 ? used : used < 0 ? -used : 1;
    }
    std::vector<uint16_t> units;
    UTFConverter::toUTF16(lang::String(reinterpret_cast<const char*>(text.data()), static_cast<int>(text.size())), units);
    return 0;
}
