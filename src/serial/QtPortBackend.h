#pragma once
// The program's port on Qt: a local serial port (QSerialPort) or, for a
// name "rfc2217://HOST:PORT" or "socket://HOST:PORT", a serial device
// server over QTcpSocket. The name chosen at each open decides.

#include "serial/NetworkPort.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtTcpTransport.h"

namespace pxr {

namespace detail {
// The parts, built before the switch that refers to them.
struct QtPortBackendParts {
    explicit QtPortBackendParts(EventLoop& loop) : network(tcp, loop) {}
    QtComPortBackend serial;
    QtTcpTransport tcp;
    NetworkPortBackend network;
};
} // namespace detail

class QtPortBackend : private detail::QtPortBackendParts, public PortBackendSwitch {
public:
    // The network port waits on `loop` while it connects.
    explicit QtPortBackend(EventLoop& loop) : QtPortBackendParts(loop), PortBackendSwitch(serial, network) {}
};

} // namespace pxr
