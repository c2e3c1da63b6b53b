#pragma once
// What the meter's own outputs do with the current reading: the 4..20 mA
// analog output (shown as a needle instrument) and the one or two switching
// outputs (shown as lamps), recomputed from the reading and the parameter set
// of the current model line. Currents are integers in µA; distances,
// centres, widths and hystereses of the switching outputs are integers in
// thousandths of the reading's unit.
//
// Nothing here draws: the needle reads MeterValue on its 100 ms tick, the
// lamps are switched through a hook only when their state changes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devices/DeviceType.h"
#include "devices/ParameterSets.h"
#include "measurement/Reading.h"

namespace pxr {

// Round to the nearest integer, a tie to the even neighbour; saturates at
// +-2^53 (NaN gives 0), so absurd parameter texts cannot overflow.
int64_t RoundHalfEven(double x);
// Toward zero, saturating likewise.
int64_t TruncateToInt(double x);

enum class ZoneColour { Red, InfoBackground };

struct AnalogMeterTick {
    int32_t value; // µA
    std::string label;
};

// The needle instrument's scale for a model line, as data the widget shows.
struct AnalogMeterScale {
    int32_t minimum = 3000;
    int32_t maximum = 21000;
    int32_t lowZoneBelow = 3999;
    int32_t highZoneAbove = 20001;
    ZoneColour zoneColour = ZoneColour::Red;        // low and high zones
    ZoneColour normalColour = ZoneColour::InfoBackground;
    int ticks = 19;
    std::string caption = "mA";

    // `ticks` marks spread evenly from minimum to maximum, each labelled
    // with its value / 1000 (in mA).
    std::vector<AnalogMeterTick> tickMarks() const;
    static std::string label(int32_t microAmps);
};

AnalogMeterScale SetupAnalogMeter(DeviceType deviceType);
// How the instrument stands before the first model-line switch.
constexpr int32_t kInitialMeterValue = 3000;

// The lamps "Output 1" and "Output 2".
class OutputLamps {
public:
    // The lamp "Output n" (1 or 2) is to be switched on or off.
    virtual void setLed(int output, bool on) = 0;

protected:
    ~OutputLamps() = default;
};

class OutputCalc : public ReadingSink {
public:
    OutputCalc(const DeviceType& deviceType, const TPXR7x& pxr7x, const TPXR500C& pxr500c,
               const TPXR501& pxr501, OutputLamps* lamps = nullptr);
    void setLamps(OutputLamps* lamps) { m_lamps = lamps; }

    // A reading that is not valid gives the error current / error state.
    void UpdateAnalogOutput(const Reading& reading);
    void UpdateSwitchOutputs(const Reading& reading);

    // Current of an error (invalid reading) for the range b..c; b != c.
    int32_t AnalogErrorValue(double b, double c) const;
    void SwitchErrorState();

    // Window comparator with hysteresis; updates both states and returns the
    // lamp state.
    static bool SwitchOutput(int64_t v, int64_t C, int64_t W, int64_t H, bool level, bool& centreState,
                             bool& endState);

    void SetMeterValue(int32_t microAmps);
    void SetLed1(bool on);
    void SetLed2(bool on);

    // The model-line switch clears the hysteresis memory (lamps and the last
    // analog value stay).
    void ClearHysteresis();

    int32_t MeterValue() const { return m_meterValue; }
    int32_t AnalogLastValue() const { return m_analogLastValue; }
    bool Led1On() const { return m_output1.ledOn; }
    bool Led2On() const { return m_output2.ledOn; }
    bool Out1CenterState() const { return m_output1.center; }
    bool Out1EndState() const { return m_output1.end; }
    bool Out2CenterState() const { return m_output2.center; }
    bool Out2EndState() const { return m_output2.end; }

private:
    // The analog output first, then the switching outputs.
    void takeReading(const Reading& reading) override
    {
        UpdateAnalogOutput(reading);
        UpdateSwitchOutputs(reading);
    }
    void analogRange(double& b, double& c) const;
    // The error mode the analog output follows on PXR501/502: the editor's
    // text, so that an edit not yet written to the meter applies at once.
    std::string pxr501AnalogErrorMode() const;
    void traceLed(int output, bool on, int64_t v, int64_t C, int64_t W, int64_t H) const;
    // SetLed1 and SetLed2: a changed state is stored and switches lamp `output`.
    void switchLamp(int output, bool& state, bool on);

    const DeviceType& m_deviceType;
    const TPXR7x& m_pxr7x;
    const TPXR500C& m_pxr500c;
    const TPXR501& m_pxr501;
    OutputLamps* m_lamps = nullptr;

    int32_t m_meterValue = 0;
    int32_t m_analogLastValue = 0;
    // A switching output: its lamp and the comparator's two hysteresis states.
    struct SwitchState {
        bool ledOn = false;
        bool center = false;
        bool end = false;
    };
    SwitchState m_output1;
    SwitchState m_output2;
};

} // namespace pxr
