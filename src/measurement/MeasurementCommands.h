#pragma once
// The measuring commands: start, stop and query the meter's measuring modes.
// A command only writes to the port; what the meter answers arrives through
// the measurement framer and the reading decoding. Before a command the
// model lines need different treatment of a meter that may still be
// streaming:
//   A  plain: the command at once;
//   B  stop-if-running (PXR500C): ESC and 1 s only when run detection saw data;
//   C  stop-then-send: ESC, 500 ms, then the command.
// "SO Set Offset" is the one command that reads its answer (into OF).

#include <functional>
#include <string>

#include "devices/ParameterSets.h"
#include "serial/ComTransactions.h"

namespace pxr {

enum class SendPattern { None, A, B, C };

// One row of the command table.
struct MeasurementCommand {
    const char* action;  // "acDT"
    const char* command; // "DT"
    SendPattern pattern[3]; // by model line
    int simuMode;           // PXR7X's simulated mode in simulation, 0: none
    bool simuTimerOn;       // in simulation the simulated device starts producing
};
// The table, in menu order.
const MeasurementCommand* measurementCommands(size_t& count);
const MeasurementCommand* findMeasurementCommand(const std::string& action);

class MeasurementCommands {
public:
    // The simulated device, as far as the commands start and stop it.
    class Simulation {
    public:
        virtual bool simulationOn() const = 0;
        // Its timer (SimuTimer) and PXR7X's mode.
        virtual void setSimuTimer(bool on) = 0;
        virtual void setSimuMode(int mode) = 0;

    protected:
        ~Simulation() = default;
    };

    // Without a simulation the commands always go to the meter.
    MeasurementCommands(ComTransactions& tx, TPXR7x& pxr7x, TPXR501& pxr501, Simulation* simulation = nullptr);

    void acDTExecute() { run("acDT"); }
    void acDSExecute() { run("acDS"); }
    void acDWExecute() { run("acDW"); }
    void acDXExecute() { run("acDX"); }
    void acDFExecute() { run("acDF"); }
    void acDMExecute() { run("acDM"); }
    void acVMExecute() { run("acVM"); }
    void acVTExecute() { run("acVT"); }
    void acLFExecute() { run("acLF"); }
    void acTPExecute() { run("acTP"); }
    void acIDExecute() { run("acID"); }
    void acSOExecute();
    void acStopExecute();

    // Any action of the table, acSO and acStop by name; false for another name.
    bool Execute(const std::string& action);

private:
    void run(const char* action);
    void send(SendPattern pattern, const std::string& command);
    void stopPxr500c();
    bool simulation() const { return m_simulation && m_simulation->simulationOn(); }

    ComTransactions& m_tx;
    TPXR7x& m_pxr7x;
    TPXR501& m_pxr501;
    Simulation* m_simulation;
};

} // namespace pxr
