#include "parameters/ParameterTransfer.h"

#include <algorithm>
#include <vector>

#include "devices/ValueCheck.h"
#include "parameters/ParameterEditor.h"
#include "base/TextUtils.h"

namespace pxr {

const char* const kInterfaceNotOpen = " Interface not open";
const char* const kSetRefused = " Set Parameter refused: ";

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

// Restores the link and the window after a transfer, also when an error passes.
class TransferGuard {
public:
    TransferGuard(ComTransactions& tx, TComDataPacket& mess) : m_tx(tx), m_mess(mess)
    {
        m_tx.ui().setBusyCursor(true);
    }
    ~TransferGuard()
    {
        m_mess.setComPort(&m_tx.port());
        m_tx.ui().setBusyCursor(false);
        m_tx.ui().focusTerminalIfShown();
    }
    TransferGuard(const TransferGuard&) = delete;
    TransferGuard& operator=(const TransferGuard&) = delete;

private:
    ComTransactions& m_tx;
    TComDataPacket& m_mess;
};

} // namespace

ParameterTransfer::ParameterTransfer(ComTransactions& tx, TComDataPacket& measurementFramer, TPXR7x& pxr7x,
                                     TPXR500C& pxr500c, TPXR501& pxr501, Host* host)
    : m_tx(tx), m_mess(measurementFramer), m_pxr7x(pxr7x), m_pxr500c(pxr500c), m_pxr501(pxr501),
      m_host(host), m_autoGet(tx.loop().createTimer())
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

std::string ParameterTransfer::queryCode(const std::string& code, int& status)
{
    const DeviceType model = m_tx.deviceType;
    const bool pxr500c = model == kPXR500C;
    // AS of PXR500C is asked without a stop string: QueryCommand then joins
    // the pieces the driver delivers until the meter has sent its line end
    // or stopped sending.
    const std::string stop = (pxr500c && code == "AS") ? std::string() : CRLF;
    std::string reply = m_tx.QueryCommand(code, pxr500c ? std::string() : code, stop, 1000, status);
    if (status != 1)
        return reply;
    const ParameterDef* def = findParameter(model, code);
    if (!def)
        return reply;
    // A control byte (the line end of a stream's line) or a byte outside
    // ASCII (line noise) is in no value a meter prints. PXR500C has no echo
    // to tell line noise at a wrong baud rate from an answer, so there the
    // answer must also be a possible value of the code.
    if (!std::all_of(reply.begin(), reply.end(), [](char c) { return isValueByte(static_cast<unsigned char>(c)); })) {
        status = -1;
        return reply;
    }
    if (pxr500c) {
        std::string rest = reply;
        for (std::size_t i = 0; i < def->values.size(); ++i) {
            const std::string value = def->values.size() == 1 ? rest : SplitToken(rest, ' ');
            if (!isPossibleValue(def->values[i], value)) {
                status = -1;
                break;
            }
        }
    }
    return reply;
}

void ParameterTransfer::readSequence(bool& error, std::string& errorText)
{
    ParameterSet& set = currentSet();
    const std::vector<Query>& sequence = querySequence(m_tx.deviceType);
    MeterConversation& talk = m_tx.conversation();
    for (std::size_t n = 0; n < sequence.size(); ++n) {
        const Query& q = sequence[n];
        const std::string code = q.code;
        talk.setStep(code, static_cast<int>(n + 1));
        int status = 0;
        std::string reply = queryCode(code, status);
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
        // A wrong answer means the line is out of step (the rest of a
        // stream, a late answer): let it fall quiet and drop what came, so
        // that no answer is taken for the next code.
        if (status == -1)
            m_tx.SettleLine();
        // Cancelled while this code was read: it counts as read, also when
        // it was the last one (the next exchange, which ends the readout,
        // would otherwise still count it as pending).
        if (talk.cancelRequested()) {
            talk.setStep(std::string(), static_cast<int>(n + 2));
            talk.throwIfCancelled();
        }
    }
}

void ParameterTransfer::restartAutoStart()
{
    const std::string as = currentSet().value("AS");
    if (as.size() != 2)
        return;
    for (const std::string& entry : autoStartList(m_tx.deviceType)) {
        if (SameTextNoCase(entry, as)) {
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
    TransferGuard guard(m_tx, m_mess);
    m_tx.conversation().setPhase("Get Parameter", static_cast<int>(querySequence(m_tx.deviceType).size()));
    ui.setStatusText(2, " Get Parameter");
    ParameterSet& set = currentSet();
    set.ClearAll();
    m_mess.setComPort(nullptr);

    switch (m_tx.deviceType) {
    case kPXR500C: stopPxr500c(); break;
    case kPXR501:
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(500);
        break;
    default: m_tx.PortWrite(std::string(1, ESC)); break;
    }
    // A streaming meter finishes the line it is sending after the ESC; that
    // rest must not be taken as the probe's answer (every later answer would
    // then land one code late).
    m_tx.SettleLine();

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
    const std::vector<Write>& order = writeOrder(m_tx.deviceType);
    for (std::size_t n = 0; n < order.size(); ++n) {
        m_tx.conversation().setStep(order[n].code, static_cast<int>(n + 1));
        m_tx.SendParameter(order[n].name, set.joinedValue(order[n].code));
    }
}

void ParameterTransfer::acSetParameterExecute()
{
    ParameterSet& set = currentSet();
    // The heater limits hold for every write, whatever started it: the
    // "Set" button takes no focus and F10 leaves it where it is, so the
    // check of a field being left need not have run.
    if (FieldBinding* fields = set.binding())
        applyHeaterCheck(m_tx.deviceType, *fields, m_host ? m_host->decimalSeparator() : '.');
    set.ReadFromEditor();
    if (simulation()) {
        m_host->recomputeSimuInterval();
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
    // A value the meter cannot take would reach it as something else; the
    // whole set stays unwritten rather than partly.
    if (const FieldBinding* fields = set.binding()) {
        const std::string refused = refusedEditorText(m_tx.deviceType, *fields);
        if (!refused.empty()) {
            ui.setStatusText(2, kSetRefused + refused);
            return;
        }
    }
    TransferGuard guard(m_tx, m_mess);
    m_tx.conversation().setPhase("Set Parameter", static_cast<int>(writeOrder(m_tx.deviceType).size()));
    ui.setStatusText(2, " Set Parameter");
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
        struct Reattach {
            ComTransactions& tx;
            TComDataPacket& mess;
            ~Reattach() { mess.setComPort(&tx.port()); }
        } reattach{m_tx, m_mess};
        m_mess.setComPort(nullptr);
        m_tx.PortWrite(std::string(1, ESC));
        m_tx.Delay(500);
        m_tx.SettleLine();
        int status = 0;
        std::string reply = m_tx.QueryCommand("ID", "ID", CRLF, 1000, status);
        if (reply.empty()) {
            m_pxr501.ClearAll();
            if (m_tx.port().Connected())
                m_tx.ui().setStatusText(2, " Timeout Interface");
            return;
        }
        const std::string variant = SplitToken(reply, ' ');
        m_pxr501.SetDefaults(SameTextNoCase(variant, "PXR502"));
        break;
    }
    default:
        m_pxr7x.SetDefaults();
        if (simulation())
            m_host->setSimuMode(1);
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
