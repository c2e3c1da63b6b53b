#include "measurement/ReadingDecoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "serial/ComDataPacket.h"
#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Characters from..to of the line, counted from 1; a range running past the
// end gives what is there.
std::string_view chars(std::string_view line, size_t from, size_t to)
{
    if (from < 1 || from > line.size() || to < from)
        return {};
    return line.substr(from - 1, to - from + 1);
}

constexpr std::string_view kPxr500cError = "9999.90";

// A hexadecimal count whose first digit is F is negative: the meter prints
// a 28-bit (PXR7X) or 24-bit (PXR501/502) two's complement, which becomes
// a 32-bit one by repeating the F.
void hexValueText(std::string& out, std::string_view digits, const char* signFill)
{
    out.assign(1, '$');
    if (!digits.empty() && (digits[0] == 'F' || digits[0] == 'f'))
        out += signFill;
    out.append(digits.data(), digits.size());
}

} // namespace

std::string_view TrimTrailingControls(std::string_view packet)
{
    size_t e = packet.size();
    while (e > 0 && static_cast<unsigned char>(packet[e - 1]) <= 32)
        --e;
    return packet.substr(0, e);
}

bool TryTextToInt(std::string_view text, int32_t& value)
{
    value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && text[i] == '$') {
        ++i;
        if (i == text.size() || text.size() - i > 8)
            return false;
        uint32_t n = 0;
        for (; i < text.size(); ++i) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                return false;
            n = n * 16 + static_cast<uint32_t>(d);
        }
        value = static_cast<int32_t>(n);
        return true;
    }
    // One past the most negative int32, so that anything beyond it is refused.
    constexpr int64_t kCap = -int64_t(std::numeric_limits<int32_t>::min()) + 1;
    int64_t n = 0;
    if (!ReadWholeNumber(text.substr(i), kCap, n))
        return false;
    if (n > std::numeric_limits<int32_t>::max() || n < std::numeric_limits<int32_t>::min())
        return false;
    value = static_cast<int32_t>(n);
    return true;
}

int32_t TextToIntDef(std::string_view text, int32_t fallback)
{
    int32_t v = 0;
    return TryTextToInt(text, v) ? v : fallback;
}

bool DecodeDecimal(std::string_view text, double& value)
{
    value = 0.0;
    // The meter writes "." only; a "," is not a reading.
    size_t begin = 0;
    return ScanDecimal(text, false, begin) && ConvertScannedDecimal(text.substr(begin), value);
}

bool DecodeHex(std::string_view digits, int32_t& count)
{
    count = 0;
    if (digits.empty() || digits.size() > 8)
        return false;
    uint32_t n = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    count = static_cast<int32_t>(n);
    return true;
}

CutResult CutValueText(DeviceType deviceType, std::string_view line, bool signalDialogOpen,
                       std::string& valueText)
{
    CutResult r;
    switch (deviceType) {
    case kPXR500C: {
        const bool error = line.find(kPxr500cError) != std::string_view::npos;
        if (signalDialogOpen) {
            // While the dialog runs the meter prints signal levels, not distances.
            r.hasLevel = true;
            r.level = error ? 0 : TextToIntDef(chars(line, 1, 8), 0);
            valueText.clear();
        } else if (error) {
            valueText.assign("?");
        } else {
            const auto v = chars(line, 1, 8);
            valueText.assign(v.data(), v.size());
        }
        break;
    }
    case kPXR501: {
        if (line.size() >= 2 && line[1] == 'E') {
            // "DE02", "HE02": the meter's error lines.
            r.hasLevel = signalDialogOpen;
            r.level = 0;
            valueText.assign("?");
            break;
        }
        const bool decimal = !line.empty() && line[0] == 'D';
        if (signalDialogOpen) {
            r.hasLevel = true;
            if (decimal) {
                r.level = TextToIntDef(chars(line, 12, 16), 0);
            } else {
                const auto digits = chars(line, 9, 12);
                int32_t level = 0;
                r.level = DecodeHex(digits, level) ? level : 0;
            }
        }
        // The distance is the first field in every content setting (9
        // characters decimal, 6 hexadecimal); signal strength and
        // temperature follow it, so the outputs keep following the distance
        // whatever SD[1] selects.
        if (decimal) {
            const auto field = chars(line, 2, 10);
            valueText.assign(field.data(), field.size());
        } else {
            hexValueText(valueText, chars(line, 2, 7), "FF");
        }
        break;
    }
    default: {
        if (line.size() == 3) {
            valueText.assign("?"); // an error code such as E15
        } else if (!line.empty() && line[0] == ' ') {
            hexValueText(valueText, chars(line, 2, 8), "F");
        } else {
            const auto v = chars(line, 1, 7);
            valueText.assign(v.data(), v.size());
        }
        break;
    }
    }
    return r;
}

bool DecodeReading(DeviceType deviceType, std::string_view valueText, double& value)
{
    value = 0.0;
    if (deviceType == kPXR7X && !valueText.empty() && valueText[0] == 'E')
        return false;
    if (deviceType != kPXR500C && !valueText.empty() && valueText[0] == '$') {
        int32_t count = 0;
        // Not a hexadecimal number (« 12 4567»): not a reading, rather than
        // a valid 0 that would move the outputs.
        if (!DecodeHex(valueText.substr(1), count))
            return false;
        value = count * 0.001;
        return true;
    }
    return DecodeDecimal(valueText, value);
}

MeasurementDecoding::MeasurementDecoding(const DeviceType& deviceType, Stopwatch& ATimer1,
                                         SignalLevelDisplay* display)
    : m_deviceType(deviceType), m_timer(ATimer1), m_display(display)
{
}

void MeasurementDecoding::addSink(ReadingSink& sink)
{
    m_sinks.push_back(&sink);
}

void MeasurementDecoding::removeSink(ReadingSink& sink)
{
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), &sink), m_sinks.end());
}

void MeasurementDecoding::ComDataPacket_messPacket(TComDataPacket&, const std::string& packet)
{
    ComDataPacket_messPacket(std::string_view(packet));
}

void MeasurementDecoding::RememberLastLine(std::string_view line)
{
    if (line != m_lastMessLine)
        m_lastMessLine.assign(line.data(), line.size());
}

void MeasurementDecoding::ComDataPacket_messPacket(std::string_view packet)
{
    const std::string_view line = TrimTrailingControls(packet);
    if (DebugTrace)
        trace("MessPacket=<" + std::string(line) + ">");
    RememberLastLine(line);
    if (line.size() <= 2)
        return;
    ++m_readings;
    Reading reading;
    // One time stamp per line: the diagram and the log get the same t.
    reading.t = m_timer.ElapsedSeconds();
    const DeviceType model = m_deviceType;
    const bool dialogOpen = m_display && m_display->signalDialogOpen();
    const CutResult cut = CutValueText(model, line, dialogOpen, m_valueText);
    if (cut.hasLevel && m_display)
        m_display->ShowSignalLevel(cut.level);
    reading.valid = DecodeReading(model, m_valueText, reading.value);
    // By index, so that a sink detaching itself cannot break the loop.
    for (size_t i = 0; i < m_sinks.size(); ++i)
        m_sinks[i]->takeReading(reading);
}

} // namespace pxr
