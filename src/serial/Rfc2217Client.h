#pragma once
// The client side of RFC 2217 (the telnet COM-PORT-OPTION) as pure byte
// logic: option negotiation, the line settings, the purge of the server's
// receive buffer, and the escaping of data in both directions. The owner
// moves bytes between it and a TCP connection; nothing here waits.
//
// Servers do not answer everything: ser2net on a line without modem
// control leaves SET-CONTROL unanswered, and a plain TCP server answers no
// option at all. So no command here ever waits for its acknowledgement.
// Only one thing is held back: the line settings and the data wait until
// the server has taken up the COM-PORT-OPTION (or refused it, or the owner
// gave up waiting, giveUpWaiting()), so that the first command reaches the
// meter at the rate the program set, not at the server's configured one.
//
// Options follow the Q method of RFC 1143 without its queue: each side of
// each option is off, on, or waiting for the peer, and an answer is sent
// only when a state changes, so two peers can never talk each other into a
// loop, whatever the other side sends.

#include <cstdint>
#include <functional>
#include <string>

#include "serial/ComPort.h"
#include "serial/Telnet.h"

namespace pxr {

class Rfc2217Client {
public:
    // Bytes for the network.
    std::function<void(const std::string& bytes)> send;

    // Sends the negotiation (BINARY and SUPPRESS-GO-AHEAD both ways, WILL
    // COM-PORT-OPTION) and remembers the settings for when the server agrees.
    void start(const LineSettings& settings);

    // What the server sent; the serial line's data are appended to `data`.
    void feed(const std::string& bytes, std::string& data);

    // Data for the serial line (held back until settled()).
    void write(const std::string& data);
    // New line settings: the values that changed go to the server at once
    // once it has agreed, otherwise with the others when it does.
    void apply(const LineSettings& settings);
    // PURGE-DATA: the server drops what it received from the meter and has
    // not sent on yet.
    void purgeInput();

    // The server did not answer the COM-PORT-OPTION in time: data flows with
    // the server's own line settings; settings go out should it agree later.
    void giveUpWaiting();

    // The server agreed to or refused the COM-PORT-OPTION, or the owner gave up.
    bool settled() const { return comPortAgreed() || m_comPortRefused || m_gaveUp; }
    bool comPortAgreed() const { return m_options[telnet::kComPort].us == Side::Yes; }
    // Data waiting for settled().
    size_t heldBytes() const { return m_held.size(); }
    // The rate the server last reported for its line, 0 when it has not.
    uint32_t serverBaudRate() const { return m_serverBaud; }

    // RFC 2217 command codes (client to server; the server answers + 100).
    enum Code : uint8_t {
        kSignature = 0,
        kSetBaudRate = 1,
        kSetDataSize = 2,
        kSetParity = 3,
        kSetStopSize = 4,
        kSetControl = 5,
        kNotifyLineState = 6,
        kNotifyModemState = 7,
        kPurgeData = 12,
        kServerOffset = 100,
    };
    // SET-CONTROL values this program sends.
    static constexpr uint8_t kNoFlowControl = 1;
    static constexpr uint8_t kSoftwareFlowControl = 2;
    static constexpr uint8_t kHardwareFlowControl = 3;
    static constexpr uint8_t kDtrOff = 9;
    static constexpr uint8_t kRtsOff = 12;
    // PURGE-DATA: the access server's receive buffer (data from the meter).
    static constexpr uint8_t kPurgeReceiveBuffer = 1;

private:
    enum class Side { No, Yes, WantYes, WantNo };
    struct Option {
        Side us = Side::No;  // we perform it (WILL/WONT from us)
        Side him = Side::No; // the server performs it
    };
    static bool wantUs(uint8_t option);
    static bool wantHim(uint8_t option);
    void handleOption(uint8_t verb, uint8_t option);
    void offered(Side& side, bool wanted, uint8_t accept, uint8_t decline, uint8_t option);
    void refused(Side& side, uint8_t decline, uint8_t option);
    void handleSubnegotiation(uint8_t option, const std::string& payload);
    void comPortSettled();
    void sendSettings(bool all);
    void sendComPort(uint8_t code, const std::string& value);
    void out(const std::string& bytes);
    std::string escaped(const std::string& data) const;

    Option m_options[256];
    telnet::Parser m_parser;
    LineSettings m_wanted;
    LineSettings m_sent;
    bool m_settingsSent = false;
    bool m_purgePending = false;
    bool m_comPortRefused = false;
    bool m_gaveUp = false;
    std::string m_held;
    uint32_t m_serverBaud = 0;
};

} // namespace pxr
