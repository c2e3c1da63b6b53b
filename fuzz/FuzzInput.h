#pragma once
// Takes a fuzz input apart: small numbers from the front, the rest as bytes.
// Works the same under libFuzzer and in the plain regression runner, so a
// saved input replays exactly.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pxr::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    // One byte, 0 once the input is used up.
    uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }
    // 0 .. n-1 (n > 0).
    unsigned pick(unsigned n) { return byte() % n; }
    bool flag() { return byte() & 1; }
    uint16_t word()
    {
        const uint16_t lo = byte();
        return static_cast<uint16_t>(lo | (byte() << 8));
    }

    // Up to `max` bytes, ending early at `separator` (which is consumed).
    std::string until(char separator, size_t max = SIZE_MAX)
    {
        std::string out;
        while (!empty() && out.size() < max) {
            const char c = static_cast<char>(m_data[m_pos++]);
            if (c == separator)
                break;
            out += c;
        }
        return out;
    }
    // Exactly `n` bytes, or what is left.
    std::string bytes(size_t n)
    {
        const size_t take = n < remaining() ? n : remaining();
        std::string out(reinterpret_cast<const char*>(m_data + m_pos), take);
        m_pos += take;
        return out;
    }
    std::string rest() { return bytes(remaining()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace pxr::fuzz

// Aborts with a message when a property of the code under test does not
// hold; libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond))                                                                      \
            ::pxr::fuzz::checkFailed(#cond, __FILE__, __LINE__);                          \
    } while (0)

namespace pxr::fuzz {
[[noreturn]] void checkFailed(const char* what, const char* file, int line);
}
