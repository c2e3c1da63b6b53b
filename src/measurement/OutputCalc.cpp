#include "measurement/OutputCalc.h"

#include <charconv>
#include <cmath>

#include "devices/FieldBinding.h"
#include "measurement/ReadingDecoder.h"
#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr {

namespace {

// A width of 100000 (in the reading's unit) and more switches the window end off.
constexpr int64_t kWidthOff = 100000000;
// Doubles beyond 2^53 carry no fractions; saturating there keeps sums of a
// few such values (centre + width + hysteresis) far from overflow.
constexpr double kInt64Edge = 9007199254740992.0;

int64_t widthOf(const std::string& text)
{
    const int64_t w = TruncateToInt(TextToFloat(text) * 1000);
    return w >= kWidthOff ? 0 : w;
}

int64_t thousandths(const std::string& text) { return TruncateToInt(TextToFloat(text) * 1000); }

int32_t toMicroAmps(double mA) { return static_cast<int32_t>(RoundHalfEven(mA * 1000)); }

} // namespace

namespace {

// NaN and values beyond the 64-bit range, which no conversion may meet:
// true with their result (0, or the nearest edge) in `edge`.
bool outsideInt64(double x, int64_t& edge)
{
    if (std::isnan(x))
        edge = 0;
    else if (x >= kInt64Edge)
        edge = static_cast<int64_t>(kInt64Edge);
    else if (x <= -kInt64Edge)
        edge = -static_cast<int64_t>(kInt64Edge);
    else
        return false;
    return true;
}

} // namespace

int64_t RoundHalfEven(double x)
{
    int64_t edge = 0;
    if (outsideInt64(x, edge))
        return edge;
    double r = std::floor(x);
    const double diff = x - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return static_cast<int64_t>(r);
}

int64_t TruncateToInt(double x)
{
    int64_t edge = 0;
    if (outsideInt64(x, edge))
        return edge;
    return static_cast<int64_t>(x);
}

std::string AnalogMeterScale::label(int32_t microAmps)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, microAmps / 1000.0);
    return std::string(buf, r.ptr);
}

std::vector<AnalogMeterTick> AnalogMeterScale::tickMarks() const
{
    std::vector<AnalogMeterTick> marks;
    if (ticks <= 0)
        return marks;
    if (ticks == 1) {
        marks.push_back({minimum, label(minimum)});
        return marks;
    }
    marks.reserve(static_cast<size_t>(ticks));
    const double step = double(maximum - minimum) / (ticks - 1);
    for (int i = 0; i < ticks; ++i) {
        const auto v = static_cast<int32_t>(RoundHalfEven(minimum + step * i));
        marks.push_back({v, label(v)});
    }
    return marks;
}

AnalogMeterScale SetupAnalogMeter(DeviceType deviceType)
{
    AnalogMeterScale s;
    if (deviceType == kPXR500C) {
        // The PXR500C output has no error currents outside 4..20 mA: no
        // coloured zones.
        s.minimum = 4000;
        s.maximum = 20000;
        s.zoneColour = ZoneColour::InfoBackground;
        s.ticks = 17;
    }
    return s;
}

OutputCalc::OutputCalc(const DeviceType& deviceType, const TPXR7x& pxr7x, const TPXR500C& pxr500c,
                       const TPXR501& pxr501, OutputLamps* lamps)
    : m_deviceType(deviceType), m_pxr7x(pxr7x), m_pxr500c(pxr500c), m_pxr501(pxr501),
      m_lamps(lamps)
{
}

void OutputCalc::analogRange(double& b, double& c) const
{
    switch (m_deviceType) {
    case kPXR500C:
        b = TextToFloat(m_pxr500c.GetRB());
        c = TextToFloat(m_pxr500c.GetRE());
        break;
    case kPXR501:
        b = TextToFloat(m_pxr501.GetQA(0));
        c = TextToFloat(m_pxr501.GetQA(1));
        break;
    default:
        b = TextToFloat(m_pxr7x.GetRB());
        c = TextToFloat(m_pxr7x.GetRE());
        break;
    }
}

std::string OutputCalc::pxr501AnalogErrorMode() const
{
    if (const FieldBinding* editor = m_pxr501.binding())
        return editor->fieldText("cb_se_2_1");
    return m_pxr501.GetSE(0);
}

int32_t OutputCalc::AnalogErrorValue(double b, double c) const
{
    const bool rising = b < c;
    switch (m_deviceType) {
    case kPXR500C:
        return rising ? 4000 : 20000;
    case kPXR501:
        switch (TextToIntDef(pxr501AnalogErrorMode(), 0)) {
        case 1: return 3000;
        case 2: return 21000;
        default: return m_analogLastValue;
        }
    default:
        switch (TextToIntDef(m_pxr7x.GetSE(), 10)) {
        case 1: return rising ? 3000 : 21000;
        case 2: return rising ? 21000 : 3000;
        case 10: return rising ? 20000 : 4000;
        default: return m_analogLastValue; // "Iout=const."
        }
    }
}

void OutputCalc::UpdateAnalogOutput(const Reading& reading)
{
    const double x = reading.value;
    double b = 0, c = 0;
    analogRange(b, c);
    // An empty range freezes the output: no current can be computed.
    if (b == c)
        return;
    if (!reading.valid) {
        SetMeterValue(AnalogErrorValue(b, c));
        return;
    }
    int32_t p;
    if (b < c) {
        if (x < b)
            p = 4000;
        else if (x > c)
            p = 20000;
        else
            p = toMicroAmps((x - b) * 16 / (c - b) + 4);
    } else if (m_deviceType == kPXR500C) {
        // The PXR500C output cannot run backwards.
        p = AnalogErrorValue(b, c);
    } else {
        if (x > b)
            p = 4000;
        else if (x < c)
            p = 20000;
        else
            p = toMicroAmps(20 - (x - c) * 16 / (b - c));
    }
    m_analogLastValue = p;
    SetMeterValue(p);
}

bool OutputCalc::SwitchOutput(int64_t v, int64_t C, int64_t W, int64_t H, bool level, bool& centreState,
                              bool& endState)
{
    const int64_t h = H / 2;
    centreState = centreState ? v > C - h : v >= C + h;
    if (W > 0)
        endState = endState ? v > C + W - h : v >= C + W + h;
    const bool inside = centreState && !endState;
    return level ? inside : !inside;
}

void OutputCalc::traceLed(int output, bool on, int64_t v, int64_t C, int64_t W, int64_t H) const
{
    if (!DebugTrace)
        return;
    trace(format(on ? "LED %d On  v=%lld ac=%lld aw=%lld ah=%lld" : "LED %d Off v=%lld ac=%lld aw=%lld ah=%lld",
                 output, static_cast<long long>(v), static_cast<long long>(C), static_cast<long long>(W),
                 static_cast<long long>(H)));
}

void OutputCalc::UpdateSwitchOutputs(const Reading& reading)
{
    if (!reading.valid) {
        SwitchErrorState();
        return;
    }
    const int64_t v = RoundHalfEven(reading.value * 1000);
    int64_t C = 0, W = 0, H = 0;
    bool level = true;
    switch (m_deviceType) {
    case kPXR500C:
        C = thousandths(m_pxr500c.GetAC());
        H = thousandths(m_pxr500c.GetAH());
        level = H >= 0; // a negative hysteresis inverts the output
        H = H < 0 ? -H : H;
        break;
    case kPXR501: {
        const int64_t C2 = thousandths(m_pxr501.GetQ2(0));
        const int64_t W2 = widthOf(m_pxr501.GetQ2(1));
        const int64_t H2 = thousandths(m_pxr501.GetQ2(2));
        const bool level2 = TextToIntDef(m_pxr501.GetQ2(3), 0) > 0;
        SetLed2(SwitchOutput(v, C2, W2, H2, level2, m_output2.center, m_output2.end));
        traceLed(2, m_output2.ledOn, v, C2, W2, H2);
        C = thousandths(m_pxr501.GetQ1(0));
        W = widthOf(m_pxr501.GetQ1(1));
        H = thousandths(m_pxr501.GetQ1(2));
        level = TextToIntDef(m_pxr501.GetQ1(3), 0) > 0;
        break;
    }
    default:
        C = thousandths(m_pxr7x.GetAC());
        H = thousandths(m_pxr7x.GetAH());
        W = widthOf(m_pxr7x.GetAW());
        level = H >= 0;
        H = H < 0 ? -H : H;
        break;
    }
    SetLed1(SwitchOutput(v, C, W, H, level, m_output1.center, m_output1.end));
    traceLed(1, m_output1.ledOn, v, C, W, H);
}

void OutputCalc::SwitchErrorState()
{
    switch (m_deviceType) {
    case kPXR500C:
        return; // its output keeps its state on an error
    case kPXR501: {
        const int32_t L1 = TextToIntDef(m_pxr501.GetQ1(3), 0);
        const int32_t L2 = TextToIntDef(m_pxr501.GetQ2(3), 0);
        switch (TextToIntDef(m_pxr501.GetSE(0), 0)) {
        case 1: // "Q1=inactive, Q2=inactive"
            SetLed1(L1 == 0);
            SetLed2(L2 == 0);
            break;
        case 2: // "Q1=active, Q2=active"
            SetLed1(L1 != 0);
            SetLed2(L2 != 0);
            break;
        default:
            break;
        }
        return;
    }
    default: {
        const bool negative = thousandths(m_pxr7x.GetAH()) < 0;
        switch (TextToIntDef(m_pxr7x.GetSE(), 0)) {
        case 1: SetLed1(negative); break;  // "ALARM=OFF if AH>0, ON if AH<0"
        case 2: SetLed1(!negative); break; // "ALARM=ON if AH>0, OFF if AH<0"
        default: break;
        }
        return;
    }
    }
}

void OutputCalc::SetMeterValue(int32_t microAmps)
{
    if (microAmps != m_meterValue)
        m_meterValue = microAmps;
}

void OutputCalc::SetLed1(bool on) { switchLamp(1, m_output1.ledOn, on); }

void OutputCalc::SetLed2(bool on) { switchLamp(2, m_output2.ledOn, on); }

void OutputCalc::switchLamp(int output, bool& state, bool on)
{
    if (on == state)
        return;
    state = on;
    if (m_lamps)
        m_lamps->setLed(output, on);
}

void OutputCalc::ClearHysteresis()
{
    m_output1.center = m_output1.end = false;
    m_output2.center = m_output2.end = false;
}

} // namespace pxr
