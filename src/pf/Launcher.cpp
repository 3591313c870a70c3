#include "pf/Launcher.h"

#include "lang/Debug.h"

#include <cctype>

using lang::String;

namespace pf {

namespace {

/// The scheme of address in lower case, without its colon; empty when there is none.
String schemeOf(const String& address)
{
    String scheme;
    for (int i = 0; i < address.length(); ++i) {
        const unsigned char c = static_cast<unsigned char>(address.charAt(i));
        if (c == ':')
            return scheme;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            break;
        scheme += static_cast<char>(std::tolower(c));
    }
    return String();
}

} // namespace

bool Launcher::isWebOrMailAddress(const String& address)
{
    // Control characters have no place in an address, and a desktop handler might take a
    // line break for the start of another argument.
    for (int i = 0; i < address.length(); ++i) {
        const unsigned char c = static_cast<unsigned char>(address.charAt(i));
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    const String scheme = schemeOf(address);
    const String rest = address.substring(scheme.length() + 1);
    if (scheme == "http" || scheme == "https")
        return rest.startsWith("//") && rest.length() > 2 && rest.charAt(2) != '/';
    return scheme == "mailto" && !rest.isEmpty();
}

bool Launcher::openURL(const String& address)
{
    if (!isWebOrMailAddress(address)) {
        lang::log("Launcher: not opening \"%s\": only http:, https: and mailto: addresses are handed to the desktop\n",
                  address.c_str());
        return false;
    }
    return m_impl->openURL(address);
}

} // namespace pf
