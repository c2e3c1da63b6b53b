#pragma once
// TComDataPacket: cuts the received byte stream into packets by a start
// string, a stop string and/or a fixed size, and raises OnPacket for each.
// Without a stop condition (Size <= 0 and no stop string) every received block
// is passed on as it came, unbuffered.

#include <functional>
#include <string>

#include "serial/ComPort.h"

namespace pxr {

class TComDataPacket : public AttachedConsumer {
public:
    using PacketHandler = std::function<void(TComDataPacket& sender, const std::string& packet)>;

    // Changing any of these four to a new value empties the buffer.
    void setStartString(const std::string& s);
    void setStopString(const std::string& s);
    void setSize(int size);
    void setCaseInsensitive(bool on);
    const std::string& startString() const { return m_start; }
    const std::string& stopString() const { return m_stop; }
    int size() const { return m_size; }

    bool IncludeStrings = false;
    int MaxBufferSize = 1024;
    PacketHandler OnPacket;

    // Feeds one received block (called by the port for attached framers).
    void AddData(const std::string& chunk);
    void EmptyBuffer();

    const std::string& buffer() const { return m_buffer; }
    bool inPacket() const { return m_inPacket; }

    void comReceived(const std::string& block) override { AddData(block); }

private:
    bool hasStopCondition() const { return m_size > 0 || !m_stop.empty(); }
    void HandleBuffer();
    size_t find(const std::string& hay, const std::string& needle, size_t from) const;
    // Sets one of the four properties that decide the framing; a new value
    // empties the buffer.
    template <class T>
    void changeFraming(T& property, const T& value)
    {
        if (property == value)
            return;
        property = value;
        EmptyBuffer();
    }
    std::string strip(std::string packet) const;

    std::string m_start;
    std::string m_stop;
    int m_size = 0;
    bool m_caseInsensitive = false;
    std::string m_buffer;
    bool m_inPacket = false;
};

} // namespace pxr
