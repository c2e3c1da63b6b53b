#include "support/CommaLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace pxr::test {

namespace {

bool tryLocale(const char* name) { return std::setlocale(LC_NUMERIC, name) && CommaLocale::active(); }

} // namespace

bool CommaLocale::active()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    return std::string(text) == "0,5";
}

CommaLocale::CommaLocale()
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    m_previous = previous ? previous : "C";
#ifdef _WIN32
    for (const char* name : {"German_Germany.1252", "German"})
        if (tryLocale(name))
            return;
#else
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro"})
        if (tryLocale(name))
            return;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::temp_directory_path(ec) / ("pxr-locale-" + std::to_string(std::random_device()()));
    if (ec || !fs::create_directory(dir, ec))
        return;
    m_dir = dir.string();
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + m_dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0)
        return;
    setenv("LOCPATH", m_dir.c_str(), 1);
    if (tryLocale("de_DE.UTF-8"))
        return;
#endif
    std::setlocale(LC_NUMERIC, m_previous.c_str());
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_NUMERIC, m_previous.c_str());
#ifndef _WIN32
    if (!m_dir.empty()) {
        unsetenv("LOCPATH");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
#endif
}

} // namespace pxr::test
