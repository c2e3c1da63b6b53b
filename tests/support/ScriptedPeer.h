#pragma once
// A far end that answers each complete command line with a scripted list of
// timed outputs; for exact tests of the transactions without the emulator.

#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "support/LoopbackPort.h"

namespace pxr::test {

class ScriptedPeer : public LinePeer {
public:
    struct Out {
        double afterMs; // after the command has arrived
        std::string bytes;
    };
    std::map<std::string, std::vector<Out>> script; // key: command without CR
    std::map<std::string, int> answersLeft;         // where set: answer only this often
    std::map<std::string, uint32_t> onlyAtRate;     // where set: answer only while the host uses this rate
    std::vector<std::string> received;              // every block as it arrived
    std::vector<double> receivedAt;
    // A stream: `streamLine` every `streamEveryMs` while streaming.
    bool streaming = false;
    std::string streamLine = "1.234\r\n";
    double streamEveryMs = 100;

    void receive(const std::string& bytes, double nowMs) override
    {
        received.push_back(bytes);
        receivedAt.push_back(nowMs);
        for (char c : bytes) {
            if (c == '\x1b') {
                streaming = false;
                m_line.clear();
                continue;
            }
            if (c != '\r') {
                m_line += c;
                continue;
            }
            auto it = script.find(m_line);
            auto left = answersLeft.find(m_line);
            if (left != answersLeft.end() && left->second-- <= 0)
                it = script.end();
            const auto rate = onlyAtRate.find(m_line);
            if (rate != onlyAtRate.end() && rate->second != hostRate)
                it = script.end();
            if (it != script.end())
                for (const auto& o : it->second)
                    m_due.emplace(nowMs + o.afterMs, o.bytes);
            m_line.clear();
        }
        if (streaming && m_nextStream < nowMs)
            m_nextStream = nowMs + streamEveryMs;
    }
    void advanceTo(double nowMs) override
    {
        while (!m_due.empty() && m_due.begin()->first <= nowMs) {
            const std::string b = m_due.begin()->second;
            m_due.erase(m_due.begin());
            if (m_out)
                m_out(b);
        }
        while (streaming && m_nextStream <= nowMs) {
            m_nextStream += streamEveryMs;
            if (m_out)
                m_out(streamLine);
        }
    }
    double nextEventMs() const override
    {
        double next = m_due.empty() ? std::numeric_limits<double>::infinity() : m_due.begin()->first;
        if (streaming && m_nextStream < next)
            next = m_nextStream;
        return next;
    }
    void setHostLineRate(uint32_t baud) override { hostRate = baud; }
    void setOutput(std::function<void(const std::string&)> out) override { m_out = std::move(out); }
    void startStream(double nowMs)
    {
        streaming = true;
        m_nextStream = nowMs;
    }
    uint32_t hostRate = 0;

private:
    std::string m_line;
    std::multimap<double, std::string> m_due;
    double m_nextStream = 0;
    std::function<void(const std::string&)> m_out;
};

} // namespace pxr::test
