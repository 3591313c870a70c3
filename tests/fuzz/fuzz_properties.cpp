// Property sets: "key = value" lines with "--" comments, then the typed queries of a few keys.

#include "FuzzSupport.h"

#include "io/PropertyParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const lang::String text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    double number;
    io::PropertyParser::parseNumber(text, &number);
    lang::Ptr<io::PropertyParser> parser = new io::PropertyParser;
    try {
        parser->parse(text, "fuzz.properties");
    } catch (const lang::Throwable&) {
        return 0;
    }
    for (const char* key : {"a", "key", "enabled", "number", "gravity"}) {
        lang::String value;
        parser->getString(key, value);
        try {
            parser->getBoolean(key);
        } catch (const lang::Throwable&) {
        }
        try {
            parser->getInteger(key);
        } catch (const lang::Throwable&) {
        }
        try {
            parser->getNumber(key);
        } catch (const lang::Throwable&) {
        }
    }
    return 0;
}
