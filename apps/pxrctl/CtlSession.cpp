#include "CtlSession.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/Arrangement.h"
#include "measurement/OnlineLog.h"
#include "parameters/ParameterEditor.h"
#include "parameters/ParameterFile.h"
#include "parameters/ProfileReader.h"
#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr::ctl {

namespace {

// Waits are cut into slices this long so a stop request or a lost port ends
// them promptly; each slice still handles every event that arrives.
constexpr uint32_t kSliceMs = 20;

const char* const kGetOk = " Get Parameter ok";
const char* const kTimeoutInterface = " Timeout Interface";

// Everything the meter sends, as it arrives.
class Collector : public ComConsumer {
public:
    explicit Collector(std::string& out) : m_out(out) {}
    void comReceived(const std::string& block) override { m_out += block; }

private:
    std::string& m_out;
};

// Hands each reading of the decoding to `take` for as long as it lives.
class ScopedSink : public ReadingSink {
public:
    ScopedSink(MeasurementDecoding& decoding, std::function<void(const Reading&)> take)
        : m_decoding(decoding), m_take(std::move(take))
    {
        m_decoding.addSink(*this);
    }
    ~ScopedSink() { m_decoding.removeSink(*this); }
    ScopedSink(const ScopedSink&) = delete;
    ScopedSink& operator=(const ScopedSink&) = delete;
    void takeReading(const Reading& reading) override { m_take(reading); }

private:
    MeasurementDecoding& m_decoding;
    std::function<void(const Reading&)> m_take;
};

std::string trimmedStatus(const std::string& status)
{
    const size_t first = status.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : status.substr(first);
}

} // namespace

std::vector<Mismatch> compareReadBack(const std::vector<std::pair<std::string, std::string>>& wanted,
                                      const std::vector<std::pair<std::string, std::string>>& readBack)
{
    std::vector<Mismatch> out;
    for (const auto& w : wanted) {
        // Set Parameter skips a blank value, so the meter was not asked to change it.
        if (TrimControls(w.second).empty())
            continue;
        const std::string sent = ReplaceText(w.second, ",", ".");
        std::string got;
        for (const auto& r : readBack)
            if (r.first == w.first)
                got = r.second;
        if (got != sent)
            out.push_back({w.first, sent, got});
    }
    return out;
}

std::string mismatchText(const std::vector<Mismatch>& mismatches)
{
    std::string text = "read-back differs:";
    for (const Mismatch& m : mismatches)
        text += format(" %s (written \"%s\", read back \"%s\")", m.code.c_str(), m.written.c_str(),
                       m.readBack.c_str());
    return text;
}

Session::Session(TComPort& port, EventLoop& loop, DeviceType model, Stopwatch::Clock clock)
    : m_port(port),
      m_loop(loop),
      m_model(model),
      m_tx(port, loop, m_ui),
      m_transfer(m_tx, m_mess, m_pxr7x, m_pxr500c, m_pxr501, {}),
      m_commands(m_tx, m_pxr7x, m_pxr501),
      m_timeBase(std::move(clock)),
      m_decoding(m_model, m_timeBase)
{
    m_tx.deviceType = model;
    // The measurement framer is armed as the main window arms it for the line.
    if (const Arrangement* a = arrangementFor(model)) {
        m_mess.IncludeStrings = false;
        m_mess.setStartString(a->framerStart);
        m_mess.setStopString(a->framerStop);
        m_mess.setSize(a->framerSize);
    }
    m_mess.OnPacket = [this](TComDataPacket& sender, const std::string& packet) {
        m_decoding.ComDataPacket_messPacket(sender, packet);
    };
    m_mess.setComPort(&m_port);
    m_port.OnLost = [this](const std::string& message) {
        m_lost = true;
        m_lostMessage = message;
    };
}

Session::~Session()
{
    m_port.OnLost = nullptr;
    m_mess.setComPort(nullptr);
}

Outcome Session::open(const std::string& portName, uint32_t baud)
{
    m_port.SetPort(portName);
    LineSettings s;
    s.baudRate = baud;
    try {
        m_port.SetSettings(s);
        m_port.Open();
    } catch (const EComPort& e) {
        return {kExitPort, "cannot open port " + portName + ": " + e.what()};
    }
    if (!m_port.Connected())
        return {kExitPort, "cannot open port " + portName};
    m_lost = false;
    return {};
}

Outcome Session::portLostOutcome() const
{
    std::string text = "port lost: " + m_port.Port();
    if (!m_lostMessage.empty())
        text += " (" + m_lostMessage + ")";
    return {kExitPort, text};
}

Outcome Session::readoutOutcome() const
{
    if (m_lost)
        return portLostOutcome();
    const std::string status = m_ui.statusText(2);
    if (status == kGetOk)
        return {};
    if (!m_port.Connected())
        return {kExitPort, "port not open: " + m_port.Port()};
    if (status == kTimeoutInterface)
        return {kExitTimeout, "Timeout Interface: the meter does not answer"};
    // The readout's own text of its last failed query ("Error SF=TIMEOUT").
    return {kExitTimeout, trimmedStatus(status)};
}

bool Session::waitSlice(uint32_t ms)
{
    if (m_stopRequested || m_lost)
        return false;
    m_loop.waitFor(std::min(ms, kSliceMs));
    return !m_stopRequested && !m_lost;
}

Outcome Session::get(std::string& fileText)
{
    if (!m_port.Connected())
        return {kExitPort, "port not open: " + m_port.Port()};
    try {
        m_transfer.acGetParameterExecute();
    } catch (const EComPort& e) {
        return {kExitPort, e.what()};
    }
    Outcome o = readoutOutcome();
    if (o.exitCode != kExitOk)
        return o;
    const std::string why = unstorableValueReason(m_model, m_fields, kProfileValueLimit);
    if (!why.empty())
        return {kExitFile, why};
    fileText = parameterFileText(m_model, m_fields);
    return o;
}

Outcome Session::getToFile(const std::string& path)
{
    std::string text;
    Outcome o = get(text);
    if (o.exitCode != kExitOk)
        return o;
    const FileResult r = saveParameterFile(path, m_model, m_fields);
    if (!r.ok)
        return {kExitFile, r.error};
    return {};
}

Outcome Session::set(const std::string& fileBytes)
{
    const ReadResult r = readParameterFile(m_model, fileBytes, m_fields);
    if (!r.ok)
        return {kExitFile, r.error};
    if (r.keysFound == 0)
        return {kExitFile, "the file holds none of the model line's parameter codes"};
    if (!m_port.Connected())
        return {kExitPort, "port not open: " + m_port.Port()};
    ParameterSet& set = currentSet();
    set.ReadFromEditor();
    const auto inFile = set.joinedValues();
    // Set Parameter brings the heater values into their limits before it
    // writes; what is compared is what was written, and a value the limits
    // changed is named, since the meter then holds something else than the file.
    applyHeaterCheck(m_model, m_fields, '.');
    set.ReadFromEditor();
    const auto wanted = set.joinedValues();
    std::string limited;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (wanted[i].second != inFile[i].second)
            limited += format(" %s (file \"%s\", written \"%s\")", wanted[i].first.c_str(), inFile[i].second.c_str(),
                              wanted[i].second.c_str());
    try {
        m_transfer.acSetParameterExecute();
    } catch (const EComPort& e) {
        return {kExitPort, e.what()};
    }
    if (m_lost)
        return portLostOutcome();
    Outcome readout = readoutOutcome();
    if (readout.exitCode == kExitPort || m_ui.statusText(2) == kTimeoutInterface)
        return readout;
    const std::vector<Mismatch> mismatches = compareReadBack(wanted, set.joinedValues());
    if (mismatches.empty() && limited.empty())
        return readout;
    std::string text = mismatches.empty() ? std::string() : mismatchText(mismatches);
    if (!limited.empty())
        text += (text.empty() ? "" : "; ") + std::string("outside the heater limits:") + limited;
    if (!readout.message.empty())
        text += "; " + readout.message;
    return {kExitTimeout, text};
}

Outcome Session::send(const std::string& text, uint32_t timeoutMs, std::string& received)
{
    if (!m_port.Connected())
        return {kExitPort, "port not open: " + m_port.Port()};
    Collector collector(received);
    m_port.attach(&collector);
    const uint32_t start = m_loop.tickCount();
    Outcome o;
    try {
        m_tx.SendCommand(text);
        for (;;) {
            const uint32_t passed = m_loop.tickCount() - start;
            if (passed >= timeoutMs || !waitSlice(timeoutMs - passed))
                break;
        }
    } catch (const EComPort& e) {
        o = {kExitPort, e.what()};
    }
    m_port.detach(&collector);
    if (o.exitCode != kExitOk)
        return o;
    if (m_lost)
        return portLostOutcome();
    if (received.empty() && !m_stopRequested)
        return {kExitTimeout, format("no answer within %u ms", static_cast<unsigned>(timeoutMs))};
    return o;
}

Outcome Session::stream(const StreamPlan& plan, const LineSink& sink)
{
    if (!m_port.Connected())
        return {kExitPort, "port not open: " + m_port.Port()};
    bool logging = true;
    uint64_t written = 0;
    m_streamStats.clear();
    uint32_t lastReading = m_loop.tickCount();
    Outcome out;
    std::string line;
    const ScopedSink readings(m_decoding, [&](const Reading& reading) {
        if (!logging)
            return;
        line = FormatLogLine(reading, m_separator);
        std::string error;
        if (!sink(line, error)) {
            logging = false;
            out = {kExitFile, error};
            return;
        }
        ++written;
        m_streamStats.add(reading);
        lastReading = m_loop.tickCount();
        if (plan.count > 0 && written >= plan.count)
            logging = false;
    });
    m_mess.setComPort(&m_port);

    // As when a log file is started: its first line carries the time since then.
    m_timeBase.Start();
    const uint32_t start = m_loop.tickCount();
    const uint64_t durationMs =
        plan.durationS > 0 ? static_cast<uint64_t>(std::llround(plan.durationS * 1000.0)) : 0;
    try {
        if (!m_commands.Execute(plan.action))
            out = {kExitUsage, "unknown measuring command " + plan.action};
        lastReading = m_loop.tickCount();
        while (logging && out.exitCode == kExitOk) {
            const uint32_t now = m_loop.tickCount();
            uint32_t slice = kSliceMs;
            if (durationMs > 0) {
                const uint64_t passed = static_cast<uint32_t>(now - start);
                if (passed >= durationMs)
                    break;
                slice = static_cast<uint32_t>(std::min<uint64_t>(slice, durationMs - passed));
            }
            if (plan.timeoutMs > 0 && static_cast<uint32_t>(now - lastReading) >= plan.timeoutMs) {
                out = {kExitTimeout,
                       format(written == 0 ? "no reading within %u ms" : "no further reading within %u ms",
                              static_cast<unsigned>(plan.timeoutMs))};
                break;
            }
            if (!waitSlice(slice))
                break;
        }
        logging = false;
        // Stop the meter in the model line's way, also after a time-out: a
        // meter that merely went slow must not be left streaming.
        if (!m_lost && m_port.Connected())
            m_commands.acStopExecute();
    } catch (const EComPort& e) {
        logging = false;
        out = {kExitPort, e.what()};
    }
    if (m_lost && out.exitCode == kExitOk)
        out = portLostOutcome();
    return out;
}

} // namespace pxr::ctl
