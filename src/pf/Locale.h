#pragma once

#include "lang/Array.h"
#include "lang/Object.h"
#include "lang/String.h"

namespace pf {

/// The user's preferred languages, language_COUNTRY, most preferred first. The desktop
/// answers "en_EN" alone.
class Locale : public lang::Object
{
public:
    lang::Array<lang::String> preferredLanguages() const;
};

} // namespace pf
