#pragma once
// A test's own folder under the system's temporary folder: emptied when it
// is made and removed with everything in it at the end. The process id in
// the name keeps test programs that ctest runs at the same time apart, the
// count the tests of one program (one process runs them all on Windows,
// where a file still open keeps a folder from going).

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <system_error>

namespace pxr::test {

class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() /
                 ("pxr-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++s_made)))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    // Errors are passed over: a test may leave a file it could not remove.
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    static inline int s_made = 0;
    std::filesystem::path m_path;
};

} // namespace pxr::test
