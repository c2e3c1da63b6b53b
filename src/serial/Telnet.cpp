#include "serial/Telnet.h"

namespace pxr::telnet {

void Parser::reset()
{
    m_state = State::Data;
    m_sub.clear();
    m_subTooLong = false;
    m_lastCr = false;
}

void Parser::feed(const std::string& bytes, std::string& data)
{
    for (const char ch : bytes) {
        const auto c = static_cast<uint8_t>(ch);
        switch (m_state) {
        case State::Data:
            if (c == kIAC) {
                m_state = State::Iac;
                break;
            }
            if (c == 0 && m_lastCr && !m_binary) {
                m_lastCr = false;
                break;
            }
            m_lastCr = c == '\r';
            data += ch;
            break;
        case State::Iac:
            m_state = State::Data;
            if (c == kIAC) {
                m_lastCr = false;
                data += ch;
            } else if (c >= kWILL && c <= kDONT) {
                m_verb = c;
                m_state = State::Verb;
            } else if (c == kSB) {
                m_state = State::SubOption;
            }
            // Anything else (NOP, GA, a stray SE, an unknown code) says nothing to us.
            break;
        case State::Verb:
            m_state = State::Data;
            if (onOption)
                onOption(m_verb, c);
            break;
        case State::SubOption:
            m_subOption = c;
            m_sub.clear();
            m_subTooLong = false;
            m_state = State::SubData;
            break;
        case State::SubData:
            if (c == kIAC) {
                m_state = State::SubIac;
                break;
            }
            if (m_sub.size() >= kMaxSubnegotiation) {
                // No SE in sight: give the stream back to the data.
                m_state = State::Data;
                m_sub.clear();
                m_lastCr = c == '\r';
                data += ch;
                break;
            }
            m_sub += ch;
            break;
        case State::SubIac:
            if (c == kIAC) {
                m_sub += ch;
                m_state = State::SubData;
            } else if (c == kSE) {
                m_state = State::Data;
                if (onSubnegotiation)
                    onSubnegotiation(m_subOption, m_sub);
                m_sub.clear();
            } else if (c >= kWILL && c <= kDONT) {
                // A peer that forgot SE: the subnegotiation ends here, the command counts.
                m_state = State::Verb;
                m_verb = c;
                m_sub.clear();
            } else {
                m_state = State::Data;
                m_sub.clear();
            }
            break;
        }
    }
}

std::string escape(const std::string& data, bool binaryOutput)
{
    std::string out;
    out.reserve(data.size() + 4);
    for (size_t i = 0; i < data.size(); ++i) {
        const char ch = data[i];
        out += ch;
        if (static_cast<uint8_t>(ch) == kIAC)
            out += ch;
        else if (ch == '\r' && !binaryOutput && (i + 1 >= data.size() || data[i + 1] != '\n'))
            out += '\0';
    }
    return out;
}

std::string command(uint8_t verb, uint8_t option)
{
    return std::string{static_cast<char>(kIAC), static_cast<char>(verb), static_cast<char>(option)};
}

std::string subnegotiation(uint8_t option, const std::string& payload)
{
    std::string out{static_cast<char>(kIAC), static_cast<char>(kSB), static_cast<char>(option)};
    for (const char ch : payload) {
        out += ch;
        if (static_cast<uint8_t>(ch) == kIAC)
            out += ch;
    }
    out += static_cast<char>(kIAC);
    out += static_cast<char>(kSE);
    return out;
}

} // namespace pxr::telnet
