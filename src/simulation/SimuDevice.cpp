#include "simulation/SimuDevice.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "base/TextUtils.h"

namespace pxr {

int SimuCounter = 0;

namespace {

// The timers of the platform count in signed 32-bit milliseconds; a longer
// interval is cut to the longest one they take (almost 25 days), which keeps
// the meaning of a "very large" interval: the output practically stops.
constexpr uint32_t kLongestTimerInterval = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());

// An output that waits longer than this for its next line looks stopped to
// the engineer.
constexpr uint32_t kStoppedOutputMs = 60 * 1000;

SimuRandom standardRandom()
{
    auto engine = std::make_shared<std::minstd_rand>(std::random_device{}());
    return [engine] { return static_cast<int>((*engine)() % 10u); };
}

} // namespace

bool SimuSetup::OKButtonClick(bool autodist, const std::string& distText)
{
    RampAndError = autodist;
    double value = 0;
    if (!TryTextToFloat(ReplaceText(distText, ",", "."), value))
        value = 5;
    // A NaN or an overflow fails both comparisons and leaves the distance alone.
    if (value >= kMinDistance && value <= kMaxDistance) {
        FixedDistance = value;
        return true;
    }
    return false;
}

SimuDevice::SimuDevice(Timer& timer, const SimuSetup& setup, SimuHost& host, SimuRandom random)
    : m_timer(timer), m_setup(setup), m_host(host), m_random(random ? std::move(random) : standardRandom())
{
    m_timer.setSingleShot(false);
    m_timer.setCallback([this] { SimuTimerTimer(); });
}


void SimuDevice::setTimerEnabled(bool on)
{
    if (!on) {
        m_timer.stop();
        return;
    }
    // A stopped output starts again with the values in force. An interval
    // applied from an earlier value (a negative SA gives almost 25 days, a
    // large ST hours) would otherwise keep the output stopped after the
    // value was corrected: only a tick applies a new interval, and that tick
    // would not come. Any other new interval takes effect from the next
    // tick, as always.
    const int64_t inForce = intervalInForce();
    if (m_timerInterval > kStoppedOutputMs && static_cast<uint32_t>(inForce) < m_timerInterval)
        ApplySimuInterval(inForce);
    // Restarting would put the next line off by a whole interval each time
    // DT is chosen again.
    if (!m_timer.isActive())
        m_timer.start(std::min(m_timerInterval, kLongestTimerInterval));
}

int64_t SimuDevice::intervalInForce() const
{
    const DeviceType line = m_host.deviceType();
    if (line == kPXR7X)
        return SimuInterval;
    const SimuParameter get = [this, line](const std::string& code, int index) {
        return m_host.simuParameter(line, code, index);
    };
    return SimuOutputInterval(line, SimuMode, get);
}

void SimuDevice::SetSimuMode(uint8_t mode)
{
    if (mode == SimuMode)
        return;
    SimuMode = mode;
    ComputeSimuInterval();
}

void SimuDevice::ComputeSimuInterval()
{
    // The rule belongs to PXR7X, whose ST it reads whatever line is current.
    SimuInterval = pxr::ComputeSimuInterval(SimuMode, m_host.simuParameter(kPXR7X, "ST", 0));
}

void SimuDevice::ApplySimuInterval(int64_t ms)
{
    if (!pxr::ApplySimuInterval(SimuAppliedInterval, ms))
        return;
    m_timerInterval = SimuAppliedInterval;
    if (m_timer.isActive())
        m_timer.start(std::min(m_timerInterval, kLongestTimerInterval));
}

std::string SimuDevice::lineForTick(int n)
{
    const DeviceType line = m_host.deviceType();
    const SimuParameter get = [this, line](const std::string& code, int index) {
        return m_host.simuParameter(line, code, index);
    };
    const SimuSettings s = ReadSimuSettings(line, get);

    SimuLineFormat lineFormat;
    lineFormat.deviceType = line;
    lineFormat.content = s.content;
    lineFormat.signalDialogOpen = m_host.signalDialogOpen();

    const SimuStep step = SimuRampStep(n, SimuBaseDistance(m_setup.FixedDistance, s.o), m_setup.RampAndError);
    const std::string text = GenerateSimuLine(lineFormat, step.a, step.noise, s.hex, step.error, s.k, m_random);
    // The numbers were printed with whatever decimal separator the regional
    // settings gave the C library; the meter's is always ".".
    return ReplaceText(text, ",", ".");
}

void SimuDevice::SimuTimerTimer()
{
    ApplySimuInterval(intervalInForce());

    SimuCounter = (SimuCounter + 1) % 100;
    const std::string text = lineForTick(SimuCounter);
    m_host.deliverSimulatedLine(text);
}

} // namespace pxr
