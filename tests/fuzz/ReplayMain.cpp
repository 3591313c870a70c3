// Runs every file of the folders and files named on the command line through the harness
// once: the corpus as a regression test, for builds without libFuzzer (gcc, the sanitizer
// build of ./test.sh). A crash or a sanitizer report ends the run with the file's name on
// stderr; otherwise prints how many inputs ran.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    files.push_back(entry.path().string());
        } else if (fs::is_regular_file(argv[i], error)) {
            files.push_back(argv[i]);
        } else {
            std::fprintf(stderr, "%s: no such file or folder: %s\n", argv[0], argv[i]);
            return 2;
        }
    }
    // In name order, so that a run is the same run everywhere.
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "%s: no inputs given\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Named before it runs: a crash leaves the name of its input as the last line.
        std::fprintf(stderr, "Running: %s (%zu bytes)\n", file.c_str(), bytes.size());
        // Never a null pointer, as under libFuzzer, also for an empty input.
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        copy.reserve(1);
        LLVMFuzzerTestOneInput(copy.data(), copy.size());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Replayed %zu inputs in %.2f s\n", files.size(), seconds);
    return 0;
}
