#include "pf/Locale.h"

namespace pf {

lang::Array<lang::String> Locale::preferredLanguages() const
{
    lang::Array<lang::String> languages;
    languages.add("en_EN");
    return languages;
}

} // namespace pf
