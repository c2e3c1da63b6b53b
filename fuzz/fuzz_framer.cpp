// TComDataPacket under arbitrary received blocks, in every configuration the
// program arms it with: replies and measurement lines (stop CR LF), a query
// without stop string and run detection (every block as it comes), the
// PXR500C measurement field (start " ", size 8), a detached framer (size 1)
// and the framer as created (size 96).
//
// Input: configuration, then blocks (a length byte and that many bytes).
// Without reconfiguration the packets must equal those of a plain model of
// the cutting rules; a handler that re-arms the framer in the middle of a
// block (as a model-line switch inside a reading may) must leave it
// consistent. The buffer never reaches MaxBufferSize after a block.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "serial/ComDataPacket.h"

using pxr::TComDataPacket;
using pxr::fuzz::FuzzInput;

namespace {

struct Config {
    const char* start;
    const char* stop;
    int size;
};

constexpr Config kConfigs[] = {
    {"", "\r\n", 0}, // replies during a query; measurement lines of PXR7X and PXR501/502
    {"", "", 0},     // query with an empty stop string; run detection
    {" ", "", 8},    // measurement fields of PXR500C
    {"", "", 1},     // detached reply and run framers
    {"", "", 96},    // the measurement framer as created
};
constexpr unsigned kConfigCount = sizeof(kConfigs) / sizeof(kConfigs[0]);

void arm(TComDataPacket& f, const Config& c)
{
    f.IncludeStrings = false;
    f.setStartString(c.start);
    f.setStopString(c.stop);
    f.setSize(c.size);
}

// The cutting rules written out plainly, for comparison.
class Model {
public:
    explicit Model(const Config& c) : m_start(c.start), m_stop(c.stop), m_size(c.size) {}

    void add(const std::string& chunk, std::vector<std::string>& out)
    {
        if (m_size <= 0 && m_stop.empty()) {
            out.push_back(chunk);
            return;
        }
        m_buffer += chunk;
        for (;;) {
            if (!m_inPacket) {
                if (m_start.empty()) {
                    m_inPacket = true;
                } else {
                    const size_t p = m_buffer.find(m_start);
                    if (p == std::string::npos)
                        break;
                    m_inPacket = true;
                    m_buffer.erase(0, p);
                }
            }
            size_t length = std::string::npos;
            if (m_size > 0 && m_buffer.size() >= static_cast<size_t>(m_size)) {
                length = static_cast<size_t>(m_size);
            } else if (!m_stop.empty() && m_buffer.size() >= m_start.size()) {
                const size_t q = m_buffer.find(m_stop, m_start.size());
                if (q != std::string::npos)
                    length = q + m_stop.size();
            }
            if (length == std::string::npos)
                break;
            std::string packet = m_buffer.substr(0, length);
            m_buffer.erase(0, length);
            m_inPacket = false;
            if (!m_start.empty() && packet.compare(0, m_start.size(), m_start) == 0)
                packet.erase(0, m_start.size());
            if (!m_stop.empty()) {
                const size_t first = packet.find(m_stop);
                if (first != std::string::npos && first + m_stop.size() == packet.size())
                    packet.erase(first);
            }
            out.push_back(packet);
        }
        if (m_buffer.size() >= 1024) {
            m_buffer.clear();
            m_inPacket = false;
        }
    }

private:
    std::string m_start, m_stop;
    int m_size;
    std::string m_buffer;
    bool m_inPacket = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const Config& config = kConfigs[in.pick(kConfigCount)];
    // Re-arming from inside the handler: at which packet (0 = never) and to what.
    const unsigned rearmAt = in.pick(8);
    const Config& rearmTo = kConfigs[in.pick(kConfigCount)];

    TComDataPacket framer;
    arm(framer, config);
    Model model(config);

    std::vector<std::string> got, expected;
    unsigned packets = 0;
    bool rearmed = false;
    framer.OnPacket = [&](TComDataPacket& sender, const std::string& packet) {
        got.push_back(packet);
        if (++packets == rearmAt) {
            arm(sender, rearmTo);
            rearmed = true;
        }
    };

    while (!in.empty()) {
        const std::string chunk = in.bytes(in.byte());
        framer.AddData(chunk);
        if (!rearmed)
            model.add(chunk, expected);
        if (framer.MaxBufferSize > 0)
            FUZZ_CHECK(framer.buffer().size() < static_cast<size_t>(framer.MaxBufferSize));
        if (framer.size() > 0)
            FUZZ_CHECK(framer.buffer().size() < static_cast<size_t>(framer.size()) ||
                       !framer.startString().empty());
    }
    if (!rearmed)
        FUZZ_CHECK(got == expected);
    return 0;
}
