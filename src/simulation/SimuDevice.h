#pragma once
// The simulated device: with simulation on, SimuTimer produces one reading
// line per tick in the output format of the current model line's parameter
// set, at the meter's output rate, and hands it to the reading decoding as
// if the measurement framer had cut it. Optionally the distance follows a
// ramp with a burst of error lines (SimuSetup).
//
// The line formats and interval rules are the pure functions of
// SimuFormat.h; this class holds the state around them (mode, intervals,
// the tick counter) and drives the timer.

#include <cstdint>
#include <functional>
#include <string>

#include "devices/DeviceType.h"
#include "base/EventLoop.h"
#include "simulation/SimuFormat.h"

namespace pxr {

// Counts the simulated ticks modulo 100 for the whole process: it starts at
// 0 and is never reset, not by switching simulation or the model line, so
// the ramp simply goes on where it was.
extern int SimuCounter;

// The settings of the simulation setup dialog, without its widgets. They
// are not stored; every program start begins with 5 and no ramp.
class SimuSetup {
public:
    // Accepted range of the fixed distance, in the reading's unit.
    static constexpr double kMinDistance = 0;
    static constexpr double kMaxDistance = 3000;

    double FixedDistance = 5;
    bool RampAndError = false;

    // "OK": takes the box, and the typed distance ("," counts as ".") when it
    // is a number inside the range; a text that is no number counts as 5.
    // Returns whether FixedDistance took the typed value.
    bool OKButtonClick(bool autodist, const std::string& distText);

    // ed_dist is enabled exactly while "Ramp and Error" is unchecked (the
    // fixed distance still is the ramp's base, it just cannot be edited then).
    static bool distanceEditable(bool autodist) { return !autodist; }
};

// What the simulated device needs of the program it runs in (the main
// controller; the tests' fixture).
class SimuHost {
public:
    // The main window's current model line.
    virtual DeviceType deviceType() const = 0;
    // A value of the given model line's parameter set (code, index within the
    // code); empty for an unknown code.
    virtual std::string simuParameter(DeviceType line, const std::string& code, int index) const = 0;
    // The signal-strength dialog is open (PXR500C then reports levels).
    virtual bool signalDialogOpen() const = 0;
    // A generated line for the decoding's entry (ComDataPacket_messPacket).
    virtual void deliverSimulatedLine(const std::string& line) = 0;

protected:
    ~SimuHost() = default;
};

class SimuDevice {
public:

    // Interval of SimuTimer when the window is built, before any rule applied one.
    static constexpr uint32_t kInitialInterval = 500;

    // `timer` is SimuTimer; the device sets its callback and never starts it
    // by itself. `random` gives the noise and the simulated signal levels
    // (0..9); without one a standard generator is used.
    SimuDevice(Timer& timer, const SimuSetup& setup, SimuHost& host, SimuRandom random = {});
    SimuDevice(const SimuDevice&) = delete;
    SimuDevice& operator=(const SimuDevice&) = delete;


    // SimuTimer on or off, at the interval it has (500 ms until a rule
    // applied another one). An interval of more than a minute (a stopped
    // output) gives way at once to a shorter one the values in force give,
    // so that a corrected SA, MF or ST starts the output again. Starting a
    // running timer changes nothing else.
    void setTimerEnabled(bool on);
    bool timerEnabled() const { return m_timer.isActive(); }
    // The interval SimuTimer runs (or will run) at.

    // One tick: interval rule of the model line, then one line to the decoding.
    void SimuTimerTimer();
    // PXR7X's simulated measuring mode (1 DT, 2 DS, 3 DW, 4 DX); a new mode
    // recomputes SimuInterval.
    void SetSimuMode(uint8_t mode);
    // SimuInterval from SimuMode and PXR7X's ST.
    void ComputeSimuInterval();
    // Makes ms the timer's interval when it differs from the last one applied
    // and is more than 9 (as an unsigned 32-bit number, so a negative result
    // of the rules is a very long interval). A running timer takes it from
    // its next tick on.
    void ApplySimuInterval(int64_t ms);

    // The line one tick with counter value n (0..99) produces, without
    // delivering it and without touching the counter.
    std::string lineForTick(int n);

    uint8_t SimuMode = 0;
    int64_t SimuInterval = 0;
    uint32_t SimuAppliedInterval = 0;

private:
    // The interval rule of the current model line on the values in force:
    // SimuInterval on PXR7X, SA and MF of the parameter set otherwise.
    int64_t intervalInForce() const;

    Timer& m_timer;
    const SimuSetup& m_setup;
    SimuHost& m_host;
    SimuRandom m_random;
    uint32_t m_timerInterval = kInitialInterval;
};

} // namespace pxr
