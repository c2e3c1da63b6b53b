// The plain (non-libFuzzer) build of a fuzz target: runs
// LLVMFuzzerTestOneInput once over every file of the folders or files given
// on the command line, so that the committed corpus and every input that
// once crashed are replayed by ctest with the ordinary compiler.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace pxr::fuzz {
void checkFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}
} // namespace pxr::fuzz

namespace {

std::vector<uint8_t> readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (fs::is_regular_file(arg, ec)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no inputs given\n");
        return 2;
    }
    // The empty input is always worth a run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    for (const fs::path& file : files) {
        const std::vector<uint8_t> data = readAll(file);
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::printf("%zu passed, 0 failed\n", files.size() + 1);
    return 0;
}
