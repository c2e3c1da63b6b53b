#include "serial/PortName.h"

#include <string_view>

namespace pxr {

namespace {

// "COM" and a number, in upper case, for a Windows COM port name with or
// without the "\\.\" (or "\\?\") device prefix; empty for any other name.
std::string comPort(std::string_view name)
{
    for (std::string_view prefix : {"\\\\.\\", "\\\\?\\"}) {
        if (name.substr(0, prefix.size()) == prefix) {
            name.remove_prefix(prefix.size());
            break;
        }
    }
    if (name.size() < 4)
        return std::string();
    std::string upper = "COM";
    for (size_t i = 0; i < 3; ++i)
        if ((name[i] & ~0x20) != upper[i])
            return std::string();
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9')
            return std::string();
        upper += c;
    }
    return upper;
}

} // namespace

bool samePortName(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    const std::string port = comPort(a);
    return !port.empty() && port == comPort(b);
}

} // namespace pxr
