#pragma once
// The meter emulator behind a serial device server in virtual time, and the
// program's network port connected to nothing yet: the shared set-up of the
// tests of remote ports.

#include "emulator/MeterEmulator.h"
#include "serial/NetworkPort.h"
#include "support/EmulatorPeer.h"
#include "support/VirtualDeviceServer.h"
#include "support/VirtualEventLoop.h"

namespace pxr::test {

struct RemoteMeter {
    VirtualEventLoop loop;
    VirtualDeviceServer server;
    EmulatorPeer meter;
    NetworkPortBackend backend{server, loop};
    TComPort port{backend};

    // The server's line runs at serverBaud; the meter is switched on.
    RemoteMeter(VirtualDeviceServer::Mode mode, const MeterConfig& config, uint32_t serverBaud)
        : server(loop, mode, serverBaud), meter(config)
    {
        server.attachPeer(&meter);
        meter.meter.powerOn(loop.nowMs());
        server.line().wakePeer();
    }
};

} // namespace pxr::test
