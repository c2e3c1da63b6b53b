#include "parameters/ParameterTransfer.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "serial/TextUtils.h"

namespace pxr {

const char* const kInterfaceNotOpen = " Interface not open";

namespace {

struct Query {
    const char* code;
    uint32_t pauseAfter;
};

// The readout order and the pauses the meters need between some queries.
const std::vector<Query>& querySequence(DeviceType model)
{
    static const std::vector<Query> pxr7x = {
        {"ST", 0}, {"SA", 0}, {"TD", 0}, {"TM", 0}, {"SF", 50}, {"OF", 0}, {"AS", 0}, {"SE", 0},
        {"RM", 0}, {"SD", 0}, {"RB", 50}, {"RE", 50}, {"AC", 50}, {"AH", 0}, {"AW", 50},
    };
    static const std::vector<Query> pxr500c = {
        {"SA", 0}, {"TD", 0}, {"SF", 50}, {"AS", 0}, {"RB", 50}, {"RE", 50}, {"AC", 50}, {"AH", 50},
    };
    static const std::vector<Query> pxr501 = {
        {"SA", 0}, {"MF", 0}, {"TD", 0}, {"SF", 50}, {"OF", 0}, {"AS", 0}, {"SE", 0}, {"MW", 0},
        {"PL", 0}, {"HE", 0}, {"SD", 0}, {"TE", 0}, {"QA", 150}, {"Q1", 0}, {"Q2", 0}, {"SC", 50},
    };
    switch (model) {
    case kPXR500C: return pxr500c;
    case kPXR501: return pxr501;
    default: return pxr7x;
    }
}

struct Write {
    const char* name; // what goes before the value ("AS " with its blank on PXR500C)
    const char* code;
};

const std::vector<Write>& writeOrder(DeviceType model)
{
    static const std::vector<Write> pxr7x = {
        {"ST", "ST"}, {"SA", "SA"}, {"TD", "TD"}, {"TM", "TM"}, {"SF", "SF"}, {"OF", "OF"},
        {"AS", "AS"}, {"SE", "SE"}, {"RM", "RM"}, {"SD", "SD"}, {"RB", "RB"}, {"RE", "RE"},
        {"AC", "AC"}, {"AH", "AH"}, {"AW", "AW"},
    };
    static const std::vector<Write> pxr500c = {
        {"AS ", "AS"}, {"SA", "SA"}, {"TD", "TD"}, {"SF", "SF"},
        {"RB", "RB"},  {"RE", "RE"}, {"AC", "AC"}, {"AH ", "AH"},
    };
    static const std::vector<Write> pxr501 = {
        {"SA", "SA"}, {"MF", "MF"}, {"TD", "TD"}, {"SF", "SF"}, {"OF", "OF"}, {"AS", "AS"},
        {"SE", "SE"}, {"MW", "MW"}, {"PL", "PL"}, {"HE", "HE"}, {"SD", "SD"}, {"TE", "TE"},
        {"QA", "QA"}, {"Q1", "Q1"}, {"Q2", "Q2"}, {"SC", "SC"},
    };
    switch (model) {
    case kPXR500C: return pxr500c;
    case kPXR501: return pxr501;
    default: return pxr7x;
    }
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Restores the link and the window after a transfer, also when an error passes.
class TransferGuard {
public:
    TransferGuard(ComTransactions& tx, TComDataPacket& mess, std::function<void()> reenable)
        : m_tx(tx), m_mess(mess), m_reenable(std::move(reenable))
    {
        m_tx.ui().setBusyCursor(true);
    }
    ~TransferGuard()
    {
        if (m_reenable)
            m_reenable();
        m_mess.setComPort(&m_tx.port());
        m_tx.ui().setBusyCursor(false);
        m_tx.ui().focusTerminalIfShown();
    }
    TransferGuard(const TransferGuard&) = delete;
    TransferGuard& operator=(const TransferGuard&) = delete;

private:
    ComTransactions& m_tx;
    TComDataPacket& m_mess;
    std::function<void()> m_reenable;
};

} // namespace

ParameterTransfer::ParameterTransfer(ComTransactions& tx, TComDataPacket& measurementFramer, TPXR7x& pxr7x,
                                     TPXR500C& pxr500c, TPXR501& pxr501, Hooks hooks)
    : m_tx(tx), m_mess(measurementFramer), m_pxr7x(pxr7x), m_pxr500c(pxr500c), m_pxr501(pxr501),
      m_hooks(std::move(hooks)), m_autoGet(tx.loop().createTimer())
{
    m_autoGet->setSingleShot(true);
    m_autoGet->setCallback([this] { Timer_AutoGetTimer(); });
}

ParameterSet& ParameterTransfer::currentSet()
{
    switch (m_tx.deviceType) {
    case kPXR500C: return m_pxr500c;
    case kPXR501: return m_pxr501;
    default: return m_pxr7x;
    }
}

void ParameterTransfer::Timer_AutoGetTimer()
{
    m_autoGet->stop();
    acGetParameterExecute();
}

void ParameterTransfer::stopPxr500c()
{
    // A streaming PXR500C may need several ESCs' worth of time to fall silent.
    if (!m_tx.DetectRunning(1000))
        return;
    m_tx.PortWrite(std::string(1, ESC));
    for (int round = 0; round < 4; ++round) {
        if (!m_tx.DetectRunning(1000))
            break;
        m_tx.Delay(1000);
    }
}

void ParameterTransfer::stopMeasurement(uint32_t pxr7xPause)
{
    switch (m_tx.deviceType) {
    case kPXR500C:
        stopPxr500c();
        break;
    case kPXR501:
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(500);
        break;
    default:
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(pxr7xPause);
        break;
    }
}

void ParameterTransfer::readSequence(bool& error, std::string& errorText)
{
    ParameterSet& set = currentSet();
    const DeviceType model = m_tx.deviceType;
    for (const Query& q : querySequence(model)) {
        const std::string code = q.code;
        const bool pxr500c = model == kPXR500C;
        const std::string stop = (pxr500c && code == "AS") ? std::string() : CRLF;
        int status = 0;
        // AS of PXR500C ends without a line end: QueryCommand then joins the
        // pieces the driver delivers until the meter stops sending.
        std::string reply = m_tx.QueryCommand(code, pxr500c ? std::string() : code, stop, 1000, status);
        ComTransactions::QueryErrorText(code, status, reply, errorText);
        if (status != 1)
            error = true;
        const size_t count = set.valueCount(code);
        if (count <= 1) {
            set.setValue(code, 0, reply);
        } else {
            for (size_t i = 0; i < count; ++i)
                set.setValue(code, i, SplitToken(reply, ' '));
        }
        m_tx.Delay(q.pauseAfter);
    }
}

void ParameterTransfer::restartAutoStart()
{
    const std::string as = currentSet().value("AS");
    if (as.size() != 2)
        return;
    for (const std::string& entry : autoStartList(m_tx.deviceType)) {
        if (equalsNoCase(entry, as)) {
            m_tx.SendCommand(as);
            return;
        }
    }
}

void ParameterTransfer::acGetParameterExecute()
{
    if (simulation()) {
        acSetStandardExecute();
        return;
    }
    UiHooks& ui = m_tx.ui();
    if (!m_tx.port().Connected()) {
        // Nothing can answer: blanking the editor would only throw the
        // user's values away.
        ui.setStatusText(2, kInterfaceNotOpen);
        return;
    }
    TransferGuard guard(m_tx, m_mess, [this] { enableAction("acGetParameter", true); });
    ui.setStatusText(2, " Get Parameter");
    ParameterSet& set = currentSet();
    set.ClearAll();
    enableAction("acGetParameter", false);
    m_mess.setComPort(nullptr);

    switch (m_tx.deviceType) {
    case kPXR500C: stopPxr500c(); break;
    case kPXR501:
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(500);
        break;
    default: m_tx.PortWrite(std::string(1, ESC)); break;
    }

    int status = 0;
    const bool pxr500c = m_tx.deviceType == kPXR500C;
    const std::string probe = m_tx.QueryCommand("SA", pxr500c ? std::string() : "SA", CRLF, 1000, status);
    if (probe.empty()) {
        set.ClearAll();
        if (m_tx.port().Connected())
            ui.setStatusText(2, " Timeout Interface");
        return;
    }
    ui.setStatusText(2, std::string());

    bool error = false;
    std::string errorText;
    readSequence(error, errorText);
    restartAutoStart();
    ui.setStatusText(2, error ? " " + errorText : std::string(" Get Parameter ok"));
}

void ParameterTransfer::writeSequence()
{
    ParameterSet& set = currentSet();
    for (const Write& w : writeOrder(m_tx.deviceType))
        m_tx.SendParameter(w.name, set.joinedValue(w.code));
}

void ParameterTransfer::acSetParameterExecute()
{
    ParameterSet& set = currentSet();
    set.ReadFromEditor();
    if (simulation()) {
        if (m_hooks.recomputeSimuInterval)
            m_hooks.recomputeSimuInterval();
        return;
    }
    UiHooks& ui = m_tx.ui();
    if (!m_tx.port().Connected()) {
        // Writing to a closed port would report success and the readout that
        // follows would blank the editor: the user's values would be gone.
        // Keep them and say why nothing was written.
        ui.setStatusText(2, kInterfaceNotOpen);
        return;
    }
    TransferGuard guard(m_tx, m_mess, [this] { enableAction("acSetParameter", true); });
    ui.setStatusText(2, " Set Parameter");
    enableAction("acSetParameter", false);
    m_mess.setComPort(nullptr);
    stopMeasurement(500);
    writeSequence();
    ui.setStatusText(2, " Set Parameter ok");
    acGetParameterExecute();
}

void ParameterTransfer::acSetStandardExecute()
{
    switch (m_tx.deviceType) {
    case kPXR500C:
        m_pxr500c.SetDefaults();
        break;
    case kPXR501: {
        m_pxr501.SetDefaults(false);
        if (simulation())
            return;
        if (!m_tx.port().Connected()) {
            // The variant cannot be asked; the PXR501 values stay in the
            // editor instead of a blank page.
            m_tx.ui().setStatusText(2, kInterfaceNotOpen);
            return;
        }
        m_mess.setComPort(nullptr);
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(500);
        int status = 0;
        std::string reply = m_tx.QueryCommand("ID", "ID", CRLF, 1000, status);
        if (reply.empty()) {
            m_pxr501.ClearAll();
            if (m_tx.port().Connected())
                m_tx.ui().setStatusText(2, " Timeout Interface");
            m_mess.setComPort(&m_tx.port());
            return;
        }
        const std::string variant = SplitToken(reply, ' ');
        m_pxr501.SetDefaults(equalsNoCase(variant, "PXR502"));
        m_mess.setComPort(&m_tx.port());
        break;
    }
    default:
        m_pxr7x.SetDefaults();
        if (simulation() && m_hooks.setSimuMode)
            m_hooks.setSimuMode(1);
        break;
    }
    m_tx.loop().processEvents();
    if (!simulation())
        acSetParameterExecute();
}

void ParameterTransfer::acSetProfibusExecute()
{
    // Both sets take their Profibus values; the current line's set is written.
    m_pxr7x.SetAS("dt");
    m_pxr7x.SetSD("h");
    m_pxr501.SetSA("10");
    m_pxr501.SetMF("100");
    acSetParameterExecute();
}

} // namespace pxr
