#pragma once
// Measurement reply decoding: every packet of the measurement framer (and
// every line of the simulated device) becomes one Reading that goes, in a
// fixed order, to the signal-strength dialog and then to every attached
// ReadingSink (the diagram, the outputs, the online log).
//
// The form of a line (decimal, hexadecimal, with signal strength or
// temperature) is recognised from its characters, never from the SD
// parameter, because the meter may have been configured by another program.
// A line that cannot be read becomes a reading that is not valid; nothing
// here throws or reports to the user.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceType.h"
#include "measurement/Reading.h"
#include "measurement/Stopwatch.h"

namespace pxr {

class TComDataPacket;

// The packet without its trailing characters of code 32 or less.
std::string_view TrimTrailingControls(std::string_view packet);

// Integer as the parameter and level texts are read: leading blanks, an
// optional sign and decimal digits, or "$" and hexadecimal digits; nothing
// may follow. False for anything else and for values outside 32 bits.
bool TryTextToInt(std::string_view text, int32_t& value);
int32_t TextToIntDef(std::string_view text, int32_t fallback);

// The meter's decimal number: leading blanks, optional sign, digits, an
// optional "." and digits, an optional exponent, and nothing after it. The
// decimal separator is always ".", whatever the regional settings say.
bool DecodeDecimal(std::string_view text, double& value);

// Up to 8 hexadecimal digits (either case) read as a signed 32-bit count.
bool DecodeHex(std::string_view digits, int32_t& count);

// Cuts the value text out of a trimmed line of the model line. When the
// signal-strength dialog is open, `level` receives what the dialog is to
// show and `hasLevel` tells whether the line gives it one at all.
struct CutResult {
    bool hasLevel = false;
    int32_t level = 0;
};
CutResult CutValueText(DeviceType deviceType, std::string_view line, bool signalDialogOpen,
                       std::string& valueText);

// Number conversion of a value text: "$" introduces the hexadecimal count in
// thousandths (PXR7X and PXR501/502), "?" and the empty text are not valid.
// `value` is 0 for a text that is not valid.
bool DecodeReading(DeviceType deviceType, std::string_view valueText, double& value);

// The signal-strength dialog, as the decoding sees it.
class SignalLevelDisplay {
public:
    virtual bool signalDialogOpen() const = 0;
    virtual void ShowSignalLevel(int32_t level) = 0;

protected:
    ~SignalLevelDisplay() = default;
};

// ComDataPacket_messPacket and its state (LastMessLine). The sinks are
// called in the order they were attached, once per line of more than two
// characters.
class MeasurementDecoding {
public:
    // `deviceType` is the main window's current model line, read per line.
    // Without a display the dialog counts as closed.
    MeasurementDecoding(const DeviceType& deviceType, Stopwatch& ATimer1, SignalLevelDisplay* display = nullptr);

    void setSignalLevelDisplay(SignalLevelDisplay* display) { m_display = display; }
    // Every reading goes to the sinks in the order they were attached. A sink
    // stays attached until it is removed; it must outlive that.
    void addSink(ReadingSink& sink);
    void removeSink(ReadingSink& sink);

    // OnPacket of ComDataPacket_mess.
    void ComDataPacket_messPacket(TComDataPacket& sender, const std::string& packet);
    // A line of the simulated device (or any line handed in directly).
    void ComDataPacket_messPacket(std::string_view packet);

    void RememberLastLine(std::string_view line);
    const std::string& LastMessLine() const { return m_lastMessLine; }

    // Lines that became readings (more than two characters), valid or not.
    uint64_t readingCount() const { return m_readings; }

private:
    const DeviceType& m_deviceType;
    Stopwatch& m_timer;
    SignalLevelDisplay* m_display = nullptr;
    std::vector<ReadingSink*> m_sinks;
    std::string m_lastMessLine;
    std::string m_valueText;   // reused per line, so no allocation per reading
    uint64_t m_readings = 0;
};

} // namespace pxr
