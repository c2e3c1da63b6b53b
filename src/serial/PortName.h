#pragma once
// Serial port names as the user and the system give them. On Windows a port
// is named "COM3" in the system's list, but an engineer may type it as
// "com3" or as the device path "\\.\COM10" (the only form older programs
// accepted from COM10 on): these all name one port. Any other name (a
// device path such as /dev/ttyUSB0, a pty link) is compared exactly, since
// POSIX file names are case-sensitive.

#include <string>

namespace pxr {

// True when both names lead to the same port.
bool samePortName(const std::string& a, const std::string& b);

} // namespace pxr
