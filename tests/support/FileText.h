#pragma once
// A file's bytes as they are on disk ("" for a file that cannot be read).

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pxr::test {

inline std::string readFile(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace pxr::test
