#pragma once
// The meter emulator at the far end of the loopback line.

#include "emulator/MeterEmulator.h"
#include "support/LoopbackPort.h"

namespace pxr::test {

class EmulatorPeer : public LinePeer {
public:
    explicit EmulatorPeer(const MeterConfig& config) : meter(config) {}
    void receive(const std::string& bytes, double nowMs) override { meter.receive(bytes, nowMs); }
    void advanceTo(double nowMs) override { meter.advanceTo(nowMs); }
    double nextEventMs() const override { return meter.nextEventMs(); }
    void setHostLineRate(uint32_t baud) override { meter.setHostLineRate(baud); }
    void setOutput(std::function<void(const std::string&)> out) override { meter.setOutput(std::move(out)); }
    MeterEmulator meter;
};

} // namespace pxr::test
