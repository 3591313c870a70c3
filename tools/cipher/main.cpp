// pelterra-cipher: enciphers and deciphers the game's script and save files.
//
//   pelterra-cipher (encipher|decipher) (--script|--save) IN OUT
//
// OUT "-" writes to the standard output.

#include "game/CipherKeys.h"
#include "lang/BlockCipher.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: pelterra-cipher (encipher|decipher) (--script|--save) IN OUT|-\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return usage();
    const std::string action = argv[1], keyName = argv[2];
    if ((action != "encipher" && action != "decipher") || (keyName != "--script" && keyName != "--save"))
        return usage();
    const uint8_t* key = keyName == "--script" ? game::scriptKey() : game::saveKey();

    std::ifstream in(argv[3], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "pelterra-cipher: cannot read %s: %s\n", argv[3], std::strerror(errno));
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    lang::String out;
    if (action == "encipher") {
        out = lang::BlockCipher::encipher(key, bytes.data(), static_cast<int>(bytes.size()));
    } else if (!lang::BlockCipher::decipher(key, bytes.data(), static_cast<int>(bytes.size()), &out)) {
        std::fprintf(stderr, "pelterra-cipher: %s is not enciphered: its length %zu is not a positive multiple of 16\n",
                     argv[3], bytes.size());
        return 1;
    }
    if (std::string(argv[4]) == "-") {
        std::fwrite(out.c_str(), 1, static_cast<size_t>(out.length()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::ofstream file(argv[4], std::ios::binary | std::ios::trunc);
    file.write(out.c_str(), out.length());
    if (!file.flush()) {
        std::fprintf(stderr, "pelterra-cipher: cannot write %s: %s\n", argv[4], std::strerror(errno));
        return 1;
    }
    return 0;
}
