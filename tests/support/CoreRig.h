#pragma once
// The core's side of one meter link in virtual time, as the main controller
// assembles it: the loop, the loopback line, the port, the transactions
// (showing on a recording UI), the measurement framer, the editor's fields
// and the three parameter sets over them. A fixture derives from it and puts
// its own peer at the far end with open() or openMeter().

#include <cstdint>
#include <string>
#include <vector>

#include "devices/FieldBinding.h"
#include "devices/ParameterSets.h"
#include "serial/ComDataPacket.h"
#include "serial/ComPort.h"
#include "serial/ComTransactions.h"
#include "support/EmulatorPeer.h"
#include "support/LoopbackPort.h"
#include "support/RecordingUi.h"
#include "support/VirtualEventLoop.h"

namespace pxr::test {

struct CoreRig {
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    TComPort port{backend};
    RecordingUi ui;
    ComTransactions tx{port, loop, ui};
    TComDataPacket mess;
    MapFieldBinding fields;
    TPXR7x pxr7x{&fields};
    TPXR500C pxr500c{&fields};
    TPXR501 pxr501{&fields};
    int lost = 0; // the port's OnLost calls

    // The peer at the far end of "/dev/ttyPXR", opened at the port's rate.
    void open(LinePeer& peer)
    {
        backend.attachPeer(&peer);
        port.SetPort("/dev/ttyPXR");
        port.OnLost = [this](const std::string&) { ++lost; };
        port.Open();
    }
    // An emulated meter, switched on, at its model line's usual rate; the
    // transactions talk its model line.
    void openMeter(EmulatorPeer& meter)
    {
        const MeterModel model = meter.meter.config().model;
        tx.deviceType = MeterEmulator::deviceTypeOf(model);
        LineSettings s;
        s.baudRate = MeterEmulator::defaultBaudRate(model);
        port.SetSettings(s);
        open(meter);
        meter.meter.powerOn(loop.nowMs());
        backend.wakePeer();
    }
    // The transactions' framers deliver to them, as the controller wires them.
    void wireFramers()
    {
        tx.ComDataPacket.OnPacket = [this](TComDataPacket& s, const std::string& p) { tx.ComDataPacketPacket(s, p); };
        tx.ComDataPacket_run.OnPacket = [this](TComDataPacket& s, const std::string& p) {
            tx.ComDataPacket_runPacket(s, p);
        };
    }
    // What the program wrote, block by block (only at this rate, if given).
    std::vector<std::string> writes(uint32_t baud = 0) const
    {
        std::vector<std::string> w;
        for (const auto& b : backend.written())
            if (baud == 0 || b.baud == baud)
                w.push_back(b.bytes);
        return w;
    }
};

} // namespace pxr::test
