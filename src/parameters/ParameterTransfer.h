#pragma once
// Get Parameter, Set Parameter and the two presets: reading the meter's whole
// parameter set into the current model line's set (and through it into the
// editor), writing it back, and loading factory or Profibus values. Every
// byte, pause and status text of these sequences is decided here.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "devices/ParameterSets.h"
#include "serial/ComTransactions.h"

namespace pxr {

// Status panel 2 when Get or Set Parameter finds the port closed (outside
// simulation): nothing is sent and the editor keeps its values.
extern const char* const kInterfaceNotOpen; // " Interface not open"
// Panel 2 when Set Parameter finds a value the meter cannot take; nothing is
// sent. Followed by the reason naming the code.
extern const char* const kSetRefused; // " Set Parameter refused: "

class ParameterTransfer {
public:
    // What the sequences need of the program around them.
    class Host {
    public:
        virtual bool simulationOn() const = 0;
        // The simulated device: recompute its output interval from the set /
        // select a simulated measuring mode.
        virtual void recomputeSimuInterval() = 0;
        virtual void setSimuMode(int mode) = 0;
        // The user's decimal separator, for values the heater check corrects.
        virtual char decimalSeparator() const = 0;

    protected:
        ~Host() = default;
    };

    // Without a host: no simulation, '.' as the decimal separator.
    ParameterTransfer(ComTransactions& tx, TComDataPacket& measurementFramer, TPXR7x& pxr7x,
                      TPXR500C& pxr500c, TPXR501& pxr501, Host* host);

    void acGetParameterExecute();
    void acSetParameterExecute();
    void acSetStandardExecute();
    void acSetProfibusExecute();

    // One readout 300 ms after the interface setup, when its box is ticked.
    Timer& Timer_AutoGet() { return *m_autoGet; }
    void Timer_AutoGetTimer();

    // The set of the current model line.
    ParameterSet& currentSet();

private:
    void stopMeasurement(uint32_t pxr7xPause);
    void stopPxr500c();
    void readSequence(bool& error, std::string& errorText);
    // The query of one code; status -1 also for an answer that cannot be a
    // value of the code (see the definition).
    std::string queryCode(const std::string& code, int& status);

    void restartAutoStart();
    void writeSequence();
    bool simulation() const { return m_host && m_host->simulationOn(); }

    ComTransactions& m_tx;
    TComDataPacket& m_mess;
    TPXR7x& m_pxr7x;
    TPXR500C& m_pxr500c;
    TPXR501& m_pxr501;
    Host* m_host;
    std::unique_ptr<Timer> m_autoGet;
};

} // namespace pxr
