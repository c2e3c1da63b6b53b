#pragma once
// Switches the C library's number format to the German one ("0,5"), as a
// user's regional settings would, for the life of the object; the previous
// format comes back afterwards. On Linux the locale is built into a
// temporary folder when the system has none compiled; the C library of
// Windows knows it by name.

#include <string>

namespace pxr::test {

class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // True while the C library formats 0.5 as "0,5".
    static bool active();

private:
    std::string m_previous;
    std::string m_dir; // the locale built for the test (Linux)
};

} // namespace pxr::test
