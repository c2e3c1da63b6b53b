// checkFailed for the libFuzzer build: abort, so that libFuzzer saves the input.

#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"

namespace pxr::fuzz {
void checkFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}
} // namespace pxr::fuzz
