#pragma once
// The telnet byte layer (RFC 854/855) as pure byte logic: the parser that
// splits what a telnet peer sends into data, option commands and
// subnegotiations, and the escaping of outgoing data. Used by the RFC 2217
// client of remote ports; no sockets here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace pxr::telnet {

constexpr uint8_t kIAC = 255;
constexpr uint8_t kDONT = 254;
constexpr uint8_t kDO = 253;
constexpr uint8_t kWONT = 252;
constexpr uint8_t kWILL = 251;
constexpr uint8_t kSB = 250;
constexpr uint8_t kSE = 240;

constexpr uint8_t kBinary = 0;
constexpr uint8_t kEcho = 1;
constexpr uint8_t kSuppressGoAhead = 3;
constexpr uint8_t kComPort = 44;

// A subnegotiation longer than this is no protocol this program speaks; it
// is dropped and what follows is taken as data again, so that a peer that
// never sends SE cannot swallow the meter's bytes for ever.
constexpr size_t kMaxSubnegotiation = 256;

class Parser {
public:
    // WILL, WONT, DO or DONT and the option.
    std::function<void(uint8_t verb, uint8_t option)> onOption;
    // IAC SB option payload IAC SE, the payload with IAC IAC undone.
    std::function<void(uint8_t option, const std::string& payload)> onSubnegotiation;

    // Without the BINARY option the peer sends a CR that is not part of CR LF
    // as CR NUL; the NUL is then dropped.
    void setBinaryInput(bool binary) { m_binary = binary; }

    // Appends the data bytes of `bytes` to `data`; commands split across
    // calls are joined. Other commands (NOP, GA, ...) are dropped.
    void feed(const std::string& bytes, std::string& data);
    void reset();

private:
    enum class State { Data, Iac, Verb, SubOption, SubData, SubIac };
    State m_state = State::Data;
    uint8_t m_verb = 0;
    uint8_t m_subOption = 0;
    std::string m_sub;
    bool m_subTooLong = false;
    bool m_binary = false;
    bool m_lastCr = false;
};

// The data as it goes to a telnet peer: IAC doubled, and without BINARY a
// CR not followed by LF sent as CR NUL.
std::string escape(const std::string& data, bool binaryOutput);

// IAC verb option.
std::string command(uint8_t verb, uint8_t option);
// IAC SB option payload IAC SE, with IAC in the payload doubled.
std::string subnegotiation(uint8_t option, const std::string& payload);

} // namespace pxr::telnet
