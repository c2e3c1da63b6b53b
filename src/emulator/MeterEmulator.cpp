#include "emulator/MeterEmulator.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "base/TextUtils.h"
#include "base/Trace.h"
#include "simulation/SimuFormat.h"

namespace pxr {

namespace {

using Action = MeterEmulator::Action;
using Kind = MeterEmulator::Kind;
using Command = MeterEmulator::Command;

// The measuring and service commands each model line understands; every
// other two-letter code is a parameter of its table or is ignored.
const std::vector<Command> kPXR7xCommands = {
    {"DT", Action::Stream, Kind::Distance},  {"DS", Action::Stream, Kind::Distance},
    {"DW", Action::Stream, Kind::Distance},  {"DX", Action::Stream, Kind::Distance},
    // No trigger input here: the triggered mode runs as if pulses came at the DT rate.
    {"DF", Action::Stream, Kind::Distance},  {"DM", Action::Reading, Kind::Distance},
    {"TP", Action::Temperature, Kind::Distance}, {"ID", Action::Identify, Kind::Distance},
    {"SO", Action::SetOffset, Kind::Distance}, {"LF", Action::LaserOff, Kind::Distance},
    {"BR", Action::BaudRate, Kind::Distance},
};

const std::vector<Command> kPXR500CCommands = {
    {"DT", Action::Stream, Kind::Distance},  {"DF", Action::Stream, Kind::Distance},
    {"DJ", Action::Stream, Kind::Signal},    {"VT", Action::Stream, Kind::Velocity},
    {"VM", Action::Reading, Kind::Velocity}, {"TP", Action::Temperature, Kind::Distance},
    {"ID", Action::Identify, Kind::Distance},
};

const std::vector<Command> kPXR501Commands = {
    {"DT", Action::Stream, Kind::Distance},      {"DF", Action::Stream, Kind::Distance},
    {"VT", Action::Stream, Kind::Velocity},      {"DM", Action::Reading, Kind::Distance},
    {"VM", Action::Reading, Kind::Velocity},     {"TP", Action::Temperature, Kind::Distance},
    {"ID", Action::Identify, Kind::Distance},    {"ID?", Action::IdentifyMore, Kind::Distance},
    {"HW", Action::Hardware, Kind::Distance},    {"SO", Action::SetOffset, Kind::Distance},
    {"BR", Action::BaudRate, Kind::Distance},
};

const std::vector<Command>& commandsOf(DeviceType device)
{
    switch (device) {
    case kPXR7X:
        return kPXR7xCommands;
    case kPXR500C:
        return kPXR500CCommands;
    default:
        return kPXR501Commands;
    }
}

// Output terminator of PXR501/502 readings, by TE.
const char* const kTerminators[] = {"\r\n", "\r", "\n", "\x02", "\x03", "\t", " ", ",", ";"};

const uint32_t kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800};

std::string upper(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

const char* variantName(MeterModel model)
{
    switch (model) {
    case MeterModel::PXR7X:
        return "PXR7X";
    case MeterModel::PXR500C:
        return "PXR500C";
    case MeterModel::PXR501:
        return "PXR501";
    default:
        return "PXR502";
    }
}

// What a receiver clocked at another rate makes of a byte: junk with the
// top bit set, so it can never pass for a CR, LF or a digit.
char misclocked(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return static_cast<char>(0x80 | ((b * 29u + 7u) & 0x7F));
}

constexpr std::size_t kMaxInputLine = 256;

std::vector<std::pair<std::string, std::string>> factoryValues(MeterModel model)
{
    std::vector<std::pair<std::string, std::string>> values;
    for (const meter::Code& c : meter::codes(model))
        values.emplace_back(c.code, c.factory);
    return values;
}

std::string joined(const std::vector<std::string>& values)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i > 0 ? " " : "") + values[i];
    return text;
}

} // namespace

DeviceType MeterEmulator::deviceTypeOf(MeterModel model)
{
    switch (model) {
    case MeterModel::PXR7X:
        return kPXR7X;
    case MeterModel::PXR500C:
        return kPXR500C;
    default:
        return kPXR501;
    }
}

uint32_t MeterEmulator::defaultBaudRate(MeterModel model)
{
    return deviceTypeOf(model) == kPXR501 ? 115200 : 9600;
}

bool MeterEmulator::isSupportedRate(uint32_t baud)
{
    return std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

MeterEmulator::MeterEmulator(const MeterConfig& config)
    : m_config(config),
      m_device(deviceTypeOf(config.model)),
      m_params(factoryValues(config.model)),
      m_rate(config.baudRate != 0 ? config.baudRate : defaultBaudRate(config.model)),
      m_rng(config.seed)
{
}

void MeterEmulator::setOutput(Output output) { m_output = std::move(output); }

void MeterEmulator::setHostLineRate(uint32_t baud) { m_hostRate = baud; }

void MeterEmulator::lineBusyUntil(double ms)
{
    m_lineBusyMs = ms;
    m_txFreeMs = std::max(m_txFreeMs, ms);
}

std::string MeterEmulator::streamMode() const
{
    return m_stream ? std::string(m_stream->code) : std::string();
}

std::string MeterEmulator::parameter(const std::string& code) const
{
    for (const auto& p : m_params)
        if (p.first == code)
            return p.second;
    return std::string();
}

void MeterEmulator::setParameter(const std::string& code, const std::string& joined)
{
    for (auto& p : m_params)
        if (p.first == code)
            p.second = joined;
}

std::string MeterEmulator::lookup(const std::string& code, std::size_t index) const
{
    const meter::Code* c = meter::findCode(m_config.model, code);
    if (!c || index >= meter::valueCount(*c))
        return std::string();
    if (meter::valueCount(*c) == 1)
        return parameter(code);
    const std::vector<std::string> values = meter::words(parameter(code));
    return index < values.size() ? values[index] : std::string();
}

const Command* MeterEmulator::findCommand(const std::string& code) const
{
    for (const Command& c : commandsOf(m_device))
        if (code == c.code)
            return &c;
    return nullptr;
}

int MeterEmulator::random0to9() { return static_cast<int>(m_rng() % 10u); }

bool MeterEmulator::rateMismatch() const
{
    return m_config.faults.wrongBaud && m_hostRate != 0 && m_hostRate != m_rate;
}

double MeterEmulator::lineTimeMs(std::size_t bytes) const
{
    return static_cast<double>(bytes) * 10.0 * 1000.0 / static_cast<double>(m_rate);
}

// ---- time ----

void MeterEmulator::powerOn(double nowMs)
{
    m_powered = true;
    m_input.clear();
    m_queue.clear();
    m_sentEndMs = m_txFreeMs = std::max(nowMs, m_lineBusyMs);
    m_sentReadingEndMs = m_readingEndMs = -kNever;
    stopStream();
    if (m_hungUp || m_config.faults.silent)
        return;
    // The auto-start value is a command in lower case ("dt"); run it as if received.
    const std::string as = upper(TrimControls(parameter("AS")));
    if (const Command* c = findCommand(as))
        execute(*c, std::string(), nowMs);
    advanceTo(nowMs);
}

double MeterEmulator::nextEventMs() const
{
    if (!m_powered || m_hungUp)
        return kNever;
    double next = m_stream ? m_nextLineMs : kNever;
    if (!m_queue.empty())
        next = std::min(next, m_queue.front().due);
    return next;
}

void MeterEmulator::advanceTo(double nowMs)
{
    while (m_powered && !m_hungUp) {
        const double queued = m_queue.empty() ? kNever : m_queue.front().due;
        const double line = m_stream ? m_nextLineMs : kNever;
        if (std::min(queued, line) > nowMs)
            break;
        if (queued <= line) {
            Pending piece = std::move(m_queue.front());
            m_queue.pop_front();
            m_sentEndMs = piece.end;
            if (piece.readingLine != 0) {
                m_readingOnLine = piece.readingLine;
                m_sentReadingEndMs = piece.end;
            }
            emit(std::move(piece.bytes));
        } else {
            makeReading(line);
        }
    }
}

void MeterEmulator::receive(const std::string& bytes, double nowMs)
{
    advanceTo(nowMs);
    if (!m_powered || m_hungUp || m_config.faults.silent)
        return;
    if (rateMismatch()) {
        // Misclocked bytes make no command; whatever was half typed is spoilt too.
        m_input.clear();
        return;
    }
    for (char c : bytes)
        handleByte(c, nowMs);
    advanceTo(nowMs);
}

// ---- input ----

void MeterEmulator::handleByte(char c, double nowMs)
{
    switch (c) {
    case '\x1b':
        m_input.clear();
        if (m_stream)
            escape(nowMs);
        return;
    case '\r': {
        const std::string line = m_input;
        m_input.clear();
        handleLine(line, nowMs);
        return;
    }
    case '\n':
        return;
    default:
        if (m_input.size() < kMaxInputLine)
            m_input += c;
        return;
    }
}

void MeterEmulator::handleLine(const std::string& rawLine, double nowMs)
{
    const std::string line = TrimControls(rawLine);
    if (line.size() < 2)
        return;
    // Only PXR7X listens while it streams; the others want an ESC first.
    if (m_stream && m_device != kPXR7X)
        return;

    const std::string head = upper(line.substr(0, 3));
    if (head == "ID?" && line.size() == 3) {
        if (const Command* c = findCommand("ID?"))
            execute(*c, std::string(), nowMs);
        return;
    }
    const std::string code = upper(line.substr(0, 2));
    // Blanks between code and value are allowed ("AS dt" is how PXR500C wants it).
    const std::string argument = TrimControls(line.substr(2));
    if (const Command* c = findCommand(code)) {
        if (argument.empty() || c->action == Action::BaudRate)
            execute(*c, argument, nowMs);
        return;
    }
    if (!meter::findCode(m_config.model, code))
        return; // unknown to this model line: no answer at all
    if (argument.empty())
        answerQuery(code, nowMs);
    else
        storeValues(code, argument);
}

void MeterEmulator::answerQuery(const std::string& code, double nowMs)
{
    const std::string value = parameter(code);
    if (m_device == kPXR500C) {
        // No code, the value right-aligned in a field with leading blanks;
        // a line like every other reply (the program asks for AS without a
        // stop string, but the meter ends it with CR LF all the same).
        const std::size_t width = 8;
        const std::size_t pad = value.size() < width ? width - value.size() : 1;
        reply(std::string(pad, ' ') + value, "\r\n", nowMs);
        return;
    }
    reply(m_config.faults.noEcho ? value : code + " " + value, "\r\n", nowMs);
}

void MeterEmulator::storeValues(const std::string& code, const std::string& text)
{
    const meter::Code* c = meter::findCode(m_config.model, code);
    if (!c)
        return;
    const std::size_t count = meter::valueCount(*c);
    if (count == 1) {
        setParameter(code, text);
        return;
    }
    // Fewer values than the code has replace the leading ones; extra ones are dropped.
    std::vector<std::string> values(count);
    for (std::size_t i = 0; i < count; ++i)
        values[i] = lookup(code, i);
    const std::vector<std::string> given = meter::words(text);
    std::copy_n(given.begin(), std::min(count, given.size()), values.begin());
    setParameter(code, joined(values));
}

// ---- commands ----

void MeterEmulator::execute(const Command& command, const std::string& argument, double nowMs)
{
    if (command.action != Action::BaudRate)
        stopStream();
    const std::string echo = m_config.faults.noEcho ? std::string() : std::string(command.code) + " ";
    const std::string crlf = "\r\n";
    const unsigned serial = 100000u + m_config.seed % 900000u;

    switch (command.action) {
    case Action::Stream:
        startStream(command, nowMs);
        return;
    case Action::Reading:
        reply(readingLine(command.kind), readingTerminator(), nowMs);
        return;
    case Action::Temperature:
        // Read as a number by the program's reading decoding on every line.
        if (m_device == kPXR7X)
            reply("+25.6", crlf, nowMs);
        else if (m_device == kPXR500C)
            reply("   +25.6", crlf, nowMs);
        else
            reply("D +25.6", crlf, nowMs);
        return;
    case Action::Identify:
        if (m_device == kPXR500C)
            reply(format("  PXR500C V1.12 SN %u", serial), crlf, nowMs);
        else if (m_device == kPXR7X)
            reply(echo + format("PXR7X V2.04 SN %u", serial), crlf, nowMs);
        else
            reply(echo + format("%s V3.10 SN %u", variantName(m_config.model), serial), crlf, nowMs);
        return;
    case Action::IdentifyMore:
        reply(echo + format("%s HW 2.1 FW 3.10 MFmax 10000 Hz", variantName(m_config.model)), crlf, nowMs);
        return;
    case Action::Hardware:
        reply(echo + "0000", crlf, nowMs);
        return;
    case Action::SetOffset: {
        // The new zero point is the distance seen now, so readings continue around 0.
        const int64_t seen = SimuBaseDistance(m_config.distance, 0) + random0to9();
        const std::string offset = ReplaceText(format("%.3f", -static_cast<double>(seen) / 1000.0), ",", ".");
        setParameter("OF", offset);
        reply(echo + offset, crlf, nowMs);
        return;
    }
    case Action::LaserOff:
        return;
    case Action::BaudRate: {
        if (argument.empty() || argument.size() > 7 ||
            !std::all_of(argument.begin(), argument.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return;
        const auto rate = static_cast<uint32_t>(std::stoul(argument));
        if (isSupportedRate(rate))
            m_rate = rate;
        return;
    }
    }
}

// ---- readings ----

void MeterEmulator::startStream(const Command& command, double nowMs)
{
    m_stream = &command;
    m_nextLineMs = nowMs + m_config.answerMs + streamIntervalMs(command);
}

void MeterEmulator::stopStream()
{
    m_stream = nullptr;
    m_nextLineMs = kNever;
    // The reading line on the wire finishes; lines not yet begun are never sent.
    const auto before = m_queue.size();
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [this](const Pending& p) {
                                     return p.readingLine != 0 && p.readingLine != m_readingOnLine;
                                 }),
                  m_queue.end());
    if (m_queue.size() != before)
        recountTransmitter();
}

void MeterEmulator::escape(double nowMs)
{
    if (m_config.faults.ignoreFirstEsc && !m_escIgnored) {
        m_escIgnored = true;
        return;
    }
    const Kind kind = m_stream->kind;
    stopStream();
    // A meter that looks for ESC only between readings still sends the one
    // it has in hand; one on the wire is a tail anyway.
    if (m_config.faults.escTail && m_readingEndMs <= nowMs)
        enqueue(nowMs, readingLine(kind) + readingTerminator(), true);
}

void MeterEmulator::recountTransmitter()
{
    m_txFreeMs = std::max(m_sentEndMs, m_lineBusyMs);
    m_readingEndMs = m_sentReadingEndMs;
    for (const Pending& p : m_queue) {
        m_txFreeMs = std::max(m_txFreeMs, p.end);
        if (p.readingLine != 0)
            m_readingEndMs = std::max(m_readingEndMs, p.end);
    }
}

double MeterEmulator::streamIntervalMs(const Command& command) const
{
    return meter::outputIntervalMs(m_config.model, command.code,
                                   [this](const char* code, std::size_t index) { return lookup(code, index); });
}

void MeterEmulator::makeReading(double tickMs)
{
    // Readings are made at the meter's own rate. One that finds the
    // transmitter still busy is dropped, never queued behind the others:
    // a stream cannot build a backlog, whatever the baud rate.
    const std::string bytes = readingLine(m_stream->kind) + readingTerminator();
    if (m_txFreeMs <= tickMs)
        enqueue(tickMs, bytes, true);
    m_nextLineMs = tickMs + streamIntervalMs(*m_stream);
}

std::string MeterEmulator::readingTerminator() const
{
    switch (m_device) {
    case kPXR7X:
        return "\r\n";
    case kPXR500C:
        return std::string(); // fixed-width fields, one after the other
    default: {
        double te = 0;
        if (!TryTextToFloat(parameter("TE"), te) || te < 0 || te > 8 || te != std::floor(te))
            return "\r\n";
        return kTerminators[static_cast<int>(te)];
    }
    }
}

std::string MeterEmulator::readingLine(Kind kind)
{
    const meter::Random random = [this] { return random0to9(); };
    if (kind == Kind::Signal)
        return meter::signalLine(random);
    const meter::Form form =
        meter::form(m_config.model, [this](const char* code, std::size_t index) { return lookup(code, index); });
    // A standing target: the speed is the noise around zero.
    if (kind == Kind::Velocity)
        return meter::distanceLine(m_config.model, form, 0, true, false, random);
    // The same ramp and error burst as the program's simulated device.
    m_counter = (m_counter + 1) % 100;
    const SimuStep step = SimuRampStep(m_counter, SimuBaseDistance(m_config.distance, form.o), m_config.rampAndError);
    return meter::distanceLine(m_config.model, form, step.a, step.noise, step.error, random);
}

// ---- output ----

void MeterEmulator::reply(const std::string& body, const std::string& terminator, double nowMs)
{
    std::string bytes;
    for (int i = 0; i < m_config.faults.blankLines; ++i)
        bytes += "\r\n";
    bytes += body + terminator;
    enqueue(nowMs + m_config.answerMs + std::max(0.0, m_config.faults.slowMs), bytes);
}

void MeterEmulator::enqueue(double dueMs, const std::string& input, bool readingLine)
{
    if (m_config.faults.silent || m_hungUp || input.empty())
        return;
    std::string bytes = input;
    if (m_config.faults.garbled)
        for (char& c : bytes)
            if (c != '\r' && c != '\n')
                c = static_cast<char>(c ^ 0x01);
    const uint64_t serial = readingLine ? ++m_readingLines : 0;
    double due = std::max(dueMs, m_txFreeMs);
    auto push = [&](std::string piece) {
        const double end = due + lineTimeMs(piece.size());
        m_queue.push_back({due, std::move(piece), end, serial});
        m_txFreeMs = end;
        if (readingLine)
            m_readingEndMs = end;
    };
    if (m_config.faults.chunked) {
        for (std::size_t pos = 0; pos < bytes.size();) {
            const std::size_t n = std::min<std::size_t>(1 + m_rng() % 3u, bytes.size() - pos);
            push(bytes.substr(pos, n));
            pos += n;
            due = std::max(due + kChunkGapMs, m_txFreeMs);
        }
        return;
    }
    // N pieces, one right behind the other: the first ones take the odd bytes.
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(m_config.faults.pieces, 1)), 1,
                                                      bytes.size());
    for (std::size_t i = 0, pos = 0; i < count; ++i) {
        const std::size_t n = bytes.size() / count + (i < bytes.size() % count ? 1 : 0);
        push(bytes.substr(pos, n));
        pos += n;
        due = m_txFreeMs;
    }
}

void MeterEmulator::emit(std::string bytes)
{
    if (m_config.faults.hangUpAfter > 0) {
        const uint64_t left = m_config.faults.hangUpAfter - m_sent;
        if (bytes.size() >= left) {
            bytes.resize(static_cast<std::size_t>(left));
            m_hungUp = true;
            m_queue.clear();
            m_stream = nullptr;
            m_nextLineMs = kNever;
        }
    }
    if (bytes.empty())
        return;
    if (rateMismatch())
        for (char& c : bytes)
            c = misclocked(c);
    m_sent += bytes.size();
    if (m_output)
        m_output(bytes);
}

} // namespace pxr
