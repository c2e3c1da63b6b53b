#include "app/MeterFinder.h"

#include <algorithm>

#include "app/InterfaceSetup.h"
#include "base/TextUtils.h"
#include "measurement/ReadingDecoder.h"
#include "serial/NetworkPort.h"
#include "base/Trace.h"

namespace pxr {

namespace {

constexpr uint32_t kSliceMs = 10;

bool printable(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= 32 && c <= 126; });
}

// The whole lines of `received` (CR LF or LF ended), without their line end.
std::vector<std::string_view> wholeLines(std::string_view received)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < received.size(); ++i) {
        if (received[i] != '\n')
            continue;
        std::string_view line = received.substr(start, i - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.remove_suffix(1);
        lines.push_back(line);
        start = i + 1;
    }
    return lines;
}

bool isDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A reading line of a line-ended model line (PXR7X or PXR501/502), its
// error lines included ("E15"; "DE02", "HE02" with what follows).
bool isReadingOf(DeviceType line, std::string_view text)
{
    if (!printable(text))
        return false;
    if (line == kPXR7X && text.size() == 3 && text[0] == 'E' && isDigits(text.substr(1)))
        return true;
    if (line == kPXR501 && text.size() >= 4 && (text[0] == 'D' || text[0] == 'H') && text[1] == 'E' &&
        isDigits(text.substr(2, 2)))
        return true;
    std::string value;
    CutValueText(line, text, false, value);
    double v = 0;
    return DecodeReading(line, value, v);
}

// PXR500C: fields of a blank and seven characters, no line ends.
bool pxr500cFields(std::string_view received, std::string& sample)
{
    if (received.find_first_of("\r\n") != std::string_view::npos)
        return false;
    for (size_t start = 0; start < 8 && start < received.size(); ++start) {
        int inRow = 0;
        for (size_t off = start; off + 8 <= received.size(); off += 8) {
            const std::string_view field = received.substr(off, 8);
            double v = 0;
            if (field[0] != ' ' || !printable(field) || !DecodeDecimal(field, v)) {
                inRow = 0;
                continue;
            }
            sample.assign(field.data(), field.size());
            if (++inRow >= 3)
                return true;
        }
    }
    return false;
}

// The model a word of an identification names ("PXR7X", "PXR501-10" ...).
bool modelOfWord(const std::string& word, DeviceType& line, std::string& model)
{
    const std::string w = UpperCase(word);
    struct Name {
        const char* prefix;
        DeviceType line;
        const char* model;
    };
    static const Name kNames[] = {
        {"PXR7", kPXR7X, "pxr7x"}, {"PXR500", kPXR500C, "pxr500c"},
        {"PXR501", kPXR501, "pxr501"}, {"PXR502", kPXR501, "pxr502"},
    };
    for (const Name& n : kNames)
        if (w.rfind(n.prefix, 0) == 0) {
            line = n.line;
            model = n.model;
            return true;
        }
    return false;
}

std::string trimmedLeft(std::string_view s)
{
    const size_t first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

// A line that answers "ID" (or "ID?" when `echo` is "ID?"): the text behind
// the echo; for an answer without echo the text behind its blanks.
bool answerLine(std::string_view line, const std::string& echo, std::string& text, bool& echoed)
{
    if (!printable(line))
        return false;
    for (DeviceType l : {kPXR7X, kPXR500C, kPXR501})
        if (isReadingOf(l, line))
            return false; // a reading of a stream, not the answer
    echoed = line.rfind(echo + " ", 0) == 0;
    if (echoed) {
        text = trimmedLeft(line.substr(echo.size() + 1));
        return !text.empty();
    }
    if (line.rfind("ID", 0) == 0)
        return false; // the other question's echo
    text = trimmedLeft(line);
    return !text.empty();
}

} // namespace

std::string FoundMeterLine(const FoundMeter& meter)
{
    std::string id = meter.identification;
    for (char& c : id)
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
    return meter.port + "\t" + meter.model + "\t" + (meter.baud == 0 ? std::string("-") : std::to_string(meter.baud)) +
           "\t" + id;
}

bool RecogniseReadings(const std::string& received, DeviceType& line, std::string& sample)
{
    if (pxr500cFields(received, sample)) {
        line = kPXR500C;
        return true;
    }
    const std::vector<std::string_view> lines = wholeLines(received);
    size_t nonEmpty = 0;
    for (std::string_view l : lines)
        nonEmpty += !l.empty();
    for (DeviceType candidate : {kPXR7X, kPXR501}) {
        size_t readings = 0;
        std::string_view last;
        for (std::string_view l : lines)
            if (isReadingOf(candidate, l)) {
                ++readings;
                last = l;
            }
        // Junk at a wrong rate seldom makes one whole reading, never most of them.
        if (readings >= 2 && readings * 3 >= nonEmpty * 2) {
            line = candidate;
            sample.assign(last.data(), last.size());
            return true;
        }
    }
    return false;
}

IdentifyResult RecogniseIdentification(const std::string& received)
{
    IdentifyResult r;
    bool echoed = false;
    for (std::string_view l : wholeLines(received)) {
        std::string text;
        bool e = false;
        if (!answerLine(l, "ID", text, e))
            continue;
        r.answered = true;
        r.text = text;
        echoed = e;
        break;
    }
    if (!r.answered)
        return r;
    std::string word;
    bool named = false;
    size_t pos = 0;
    while (!named && pos < r.text.size()) {
        const size_t end = r.text.find(' ', pos);
        word = r.text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        named = modelOfWord(word, r.line, r.model);
        pos = end == std::string::npos ? r.text.size() : end + 1;
    }
    if (named) {
        r.needsIdq = r.line == kPXR501;
    } else if (!echoed) {
        // Only PXR500C answers without repeating the code.
        r.line = kPXR500C;
        r.model = "pxr500c";
    } else {
        r.line = kPXR7X;
        r.model = "pxr7x";
        r.needsIdq = true; // a PXR501/502 would answer "ID?" too
    }
    return r;
}

std::string IdentificationMoreText(const std::string& received)
{
    for (std::string_view l : wholeLines(received)) {
        std::string text;
        bool echoed = false;
        if (answerLine(l, "ID?", text, echoed) && echoed)
            return text;
    }
    return std::string();
}

// ---- the search on ports ------------------------------------------------------

class MeterFinder::Collector : public ComConsumer {
public:
    explicit Collector(std::string& out) : m_out(out) {}
    void comReceived(const std::string& block) override
    {
        // A stream could fill memory while nobody looks; the recognition
        // needs a few lines only.
        if (m_out.size() < 8192)
            m_out += block;
    }

private:
    std::string& m_out;
};

MeterFinder::MeterFinder(TComPort& port, EventLoop& loop) : m_port(port), m_loop(loop) {}

MeterFinder::~MeterFinder() { m_port.OnLost = nullptr; }

std::vector<uint32_t> MeterFinder::ratesToTry(const std::vector<uint32_t>& preferred)
{
    std::vector<uint32_t> rates;
    std::vector<uint32_t> all;
    for (const std::string& text : ComSetupModel::baudItems())
        all.push_back(ComSetupModel::rateFromText(text));
    for (uint32_t p : preferred)
        if (std::find(all.begin(), all.end(), p) != all.end() && std::find(rates.begin(), rates.end(), p) == rates.end())
            rates.push_back(p);
    for (uint32_t r : all)
        if (std::find(rates.begin(), rates.end(), r) == rates.end())
            rates.push_back(r);
    return rates;
}

std::string MeterFinder::progressText(const Progress& p)
{
    if (p.port.empty())
        return "Search finished";
    if (p.baud == 0)
        return "Searching " + p.port + " at the server's rate";
    return format("Searching %s at %u baud", p.port.c_str(), static_cast<unsigned>(p.baud));
}

uint32_t MeterFinder::answerMs(uint32_t baud) const
{
    // The answer's own time on the line: up to 64 characters of 10 bits.
    const uint32_t lineMs = baud > 0 ? 640000u / baud : 0u;
    return kAnswerMs + lineMs;
}

bool MeterFinder::listen(uint32_t ms, const std::function<bool()>& enough)
{
    const uint32_t start = m_loop.tickCount();
    while (!m_cancelled && !m_lost) {
        if (enough && enough())
            return true;
        const uint32_t passed = m_loop.tickCount() - start;
        if (passed >= ms)
            return true;
        m_loop.waitFor(std::min(kSliceMs, ms - passed));
    }
    return false;
}

void MeterFinder::ask(const std::string& command)
{
    m_received.clear();
    m_port.Write(command + "\r");
}

bool MeterFinder::probe(uint32_t baud, FoundMeter& found)
{
    struct TraceAtEnd {
        const MeterFinder& f;
        uint32_t baud;
        ~TraceAtEnd()
        {
            if (DebugTrace)
                trace(format("Find %s,%u=<%s>", f.m_port.Port().c_str(), static_cast<unsigned>(baud),
                             escapeControls(f.m_received.substr(0, 200)).c_str()));
        }
    } traceAtEnd{*this, baud};
    m_port.PurgeInput();
    m_received.clear();
    DeviceType line = kPXR7X;
    std::string sample;
    const auto streaming = [&] { return RecogniseReadings(m_received, line, sample); };
    if (!listen(kListenMs, streaming))
        return false;
    bool isStream = streaming();
    if (!isStream && !m_received.empty()) {
        // Something sends: a slow stream not yet whole, or a meter at another rate.
        if (!listen(kListenMoreMs, streaming))
            return false;
        isStream = streaming();
        if (!isStream)
            return false; // junk: nothing is asked at a rate that is wrong
    }

    found.baud = baud;
    if (isStream) {
        found.streaming = true;
        found.line = line;
        found.model = line == kPXR7X ? "pxr7x" : line == kPXR500C ? "pxr500c" : "pxr501";
        found.identification = "streaming, left running (reading \"" + sample + "\")";
        // Nothing is asked: PXR500C and PXR501/502 take no command while
        // they stream, and on a PXR7X "ID" is a measuring command that
        // would replace the running one.
        return true;
    }

    ask("ID");
    if (!listen(answerMs(baud), [this] { return RecogniseIdentification(m_received).answered; }))
        return false;
    // The rest of the line may follow the first whole one; it counts only when it is there.
    const IdentifyResult id = RecogniseIdentification(m_received);
    if (!id.answered)
        return false;
    found.streaming = false;
    found.line = id.line;
    found.model = id.model;
    found.identification = id.text;
    if (id.needsIdq) {
        ask("ID?");
        listen(answerMs(baud), [this] { return !IdentificationMoreText(m_received).empty(); });
        const std::string more = IdentificationMoreText(m_received);
        if (!more.empty()) {
            found.identification += "; " + more;
            DeviceType l = kPXR501;
            std::string model;
            found.line = kPXR501;
            found.model = "pxr501";
            // The variant is the first word of either answer.
            for (const std::string& text : {id.text, more}) {
                const std::string first = text.substr(0, text.find(' '));
                if (modelOfWord(first, l, model) && l == kPXR501) {
                    found.model = model;
                    break;
                }
            }
        }
    }
    return !m_cancelled;
}

bool MeterFinder::findOnPort(const std::string& name, const std::vector<uint32_t>& rates, size_t done,
                             size_t total, FoundMeter& found)
{
    found = FoundMeter();
    found.port = name;
    m_lost = false;
    bool hit = false;
    for (size_t i = 0; i < rates.size() && !hit && !m_cancelled; ++i) {
        const uint32_t baud = rates[i];
        if (OnProgress)
            OnProgress({done + i, total, name, baud});
        try {
            if (baud != 0)
                m_port.SetBaudRate(baud);
            if (!m_port.Connected()) {
                m_port.SetPort(name);
                m_port.Open();
            }
            hit = probe(baud, found);
        } catch (const std::exception& e) {
            m_problems.push_back(name + ": " + e.what());
            break;
        }
        if (m_lost) {
            m_problems.push_back(name + ": " + (m_lostMessage.empty() ? std::string("lost") : m_lostMessage));
            hit = false;
            break;
        }
    }
    try {
        m_port.Close();
    } catch (const std::exception&) {
    }
    return hit && !m_cancelled;
}

std::vector<FoundMeter> MeterFinder::find(const std::vector<std::string>& ports, const std::vector<uint32_t>& preferred,
                                          bool stopAtFirst)
{
    m_cancelled = false;
    m_problems.clear();
    m_port.OnLost = [this](const std::string& message) {
        m_lost = true;
        m_lostMessage = message;
    };
    Collector collector(m_received);
    m_port.attach(&collector);
    const std::vector<uint32_t> rates = ratesToTry(preferred);
    // Behind a plain socket the rate is the server's: one try, at rate "0".
    const std::vector<uint32_t> serverRate{0};
    const auto ratesFor = [&](const std::string& p) -> const std::vector<uint32_t>& {
        RemoteAddress a;
        std::string error;
        return parseRemotePortName(p, a, error) && a.kind == RemoteKind::Socket ? serverRate : rates;
    };
    size_t total = 0;
    for (const std::string& p : ports)
        total += ratesFor(p).size();
    std::vector<FoundMeter> found;
    size_t done = 0;
    for (const std::string& p : ports) {
        if (m_cancelled)
            break;
        FoundMeter f;
        if (findOnPort(p, ratesFor(p), done, total, f)) {
            found.push_back(f);
            if (OnFound)
                OnFound(f);
            if (stopAtFirst)
                break;
        }
        done += ratesFor(p).size();
    }
    if (OnProgress && !m_cancelled)
        OnProgress({total, total, std::string(), 0});
    m_port.detach(&collector);
    m_port.OnLost = nullptr;
    return found;
}

} // namespace pxr
