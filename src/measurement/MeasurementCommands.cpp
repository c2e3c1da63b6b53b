#include "measurement/MeasurementCommands.h"

#include <cstring>

namespace pxr {

namespace {

using P = SendPattern;

//                 action  command  PXR7X  PXR500C  PXR501/502  simu mode  simu timer
const MeasurementCommand kCommands[] = {
    {"acDT", "DT", {P::A, P::B, P::C}, 1, true},
    {"acDS", "DS", {P::A, P::None, P::None}, 2, true},
    {"acDW", "DW", {P::A, P::A, P::A}, 3, true},
    {"acDX", "DX", {P::A, P::A, P::A}, 4, true},
    {"acDF", "DF", {P::A, P::B, P::C}, 0, false},
    {"acDM", "DM", {P::C, P::C, P::C}, 0, false},
    {"acVM", "VM", {P::A, P::B, P::C}, 0, false},
    {"acVT", "VT", {P::A, P::B, P::C}, 0, false},
    {"acLF", "LF", {P::A, P::A, P::A}, 0, false},
    {"acTP", "TP", {P::A, P::B, P::C}, 0, false},
    {"acID", "ID", {P::A, P::B, P::C}, 0, false},
};

const std::string kEsc(1, ESC);

} // namespace

const MeasurementCommand* measurementCommands(size_t& count)
{
    count = sizeof kCommands / sizeof kCommands[0];
    return kCommands;
}

const MeasurementCommand* findMeasurementCommand(const std::string& action)
{
    for (const auto& c : kCommands)
        if (action == c.action)
            return &c;
    return nullptr;
}

MeasurementCommands::MeasurementCommands(ComTransactions& tx, TPXR7x& pxr7x, TPXR501& pxr501,
                                         Simulation* simulation)
    : m_tx(tx), m_pxr7x(pxr7x), m_pxr501(pxr501), m_simulation(simulation)
{
}

void MeasurementCommands::send(SendPattern pattern, const std::string& command)
{
    switch (pattern) {
    case P::None:
        return;
    case P::A:
        m_tx.SendCommand(command);
        return;
    case P::B: {
        BusyCursor busy(m_tx.ui());
        if (m_tx.DetectRunning(1000)) {
            m_tx.PortWrite(kEsc);
            m_tx.Delay(1000);
        }
        m_tx.SendCommand(command);
        return;
    }
    case P::C:
        m_tx.PortWrite(kEsc);
        m_tx.Delay(500);
        m_tx.SendCommand(command);
        return;
    }
}

void MeasurementCommands::run(const char* action)
{
    const MeasurementCommand* c = findMeasurementCommand(action);
    if (!c)
        return;
    const DeviceType model = m_tx.deviceType <= kPXR501 ? m_tx.deviceType : kPXR7X;
    // The simulated device is switched before anything is sent; the port is
    // closed in simulation, so nothing reaches the wire then.
    if (simulation()) {
        if (c->simuMode != 0 && model == kPXR7X)
            m_simulation->setSimuMode(c->simuMode);
        if (c->simuTimerOn)
            m_simulation->setSimuTimer(true);
    }
    const SendPattern pattern = c->pattern[model];
    // DS exists only on PXR7X; reached through a stale shortcut elsewhere it
    // does nothing, not even move the focus.
    if (pattern == P::None)
        return;
    send(pattern, c->command);
    // PXR501/502 answer the identification in two parts.
    if (model == kPXR501 && std::strcmp(c->command, "ID") == 0)
        m_tx.SendCommand("ID?");
    m_tx.ui().focusTerminalIfShown();
}

void MeasurementCommands::acSOExecute()
{
    if (m_tx.deviceType != kPXR7X && m_tx.deviceType != kPXR501)
        return;
    m_tx.PortWrite(kEsc);
    m_tx.Delay(1000);
    // The rest of a streamed line must not be taken for the offset.
    m_tx.SettleLine();
    int status = 0;
    // Whatever came (also nothing, or a reply without the echo) becomes OF.
    const std::string reply = m_tx.QueryCommand("SO", "SO", CRLF, 1000, status);
    if (m_tx.deviceType == kPXR7X)
        m_pxr7x.SetOF(reply);
    else
        m_pxr501.SetOF(reply);
}

void MeasurementCommands::stopPxr500c()
{
    if (!m_tx.DetectRunning(1000))
        return;
    // One ESC; then only wait, at most four rounds, until the meter is silent.
    m_tx.PortWrite(kEsc);
    for (int round = 0; round < 4; ++round) {
        if (!m_tx.DetectRunning(1000))
            break;
        m_tx.Delay(1000);
    }
}

void MeasurementCommands::acStopExecute()
{
    if (simulation())
        m_simulation->setSimuTimer(false);
    if (m_tx.deviceType == kPXR500C)
        stopPxr500c();
    else
        m_tx.PortWrite(kEsc);
    m_tx.ui().focusTerminalIfShown();
}

bool MeasurementCommands::Execute(const std::string& action)
{
    if (action == "acSO") {
        acSOExecute();
        return true;
    }
    if (action == "acStop") {
        acStopExecute();
        return true;
    }
    if (!findMeasurementCommand(action))
        return false;
    run(action.c_str());
    return true;
}

} // namespace pxr
