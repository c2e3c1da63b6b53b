#pragma once
// A reading and the one way it is handed on. The decoding turns every line
// of more than two characters into one Reading and gives it, in a fixed
// order, to each ReadingSink attached to it: the diagram's series and the
// statistics, the analog and switching outputs, the online log. Whoever else
// wants the readings (pxrctl's stream, a test, a benchmark) attaches a sink
// of its own; there is no other road.
//
// The flag says "valid" everywhere, so that no consumer has to turn it
// round: a reading shown as valid when it is not would be the worst thing
// this program could do to an engineer.

namespace pxr {

struct Reading {
    // Seconds of the time base ATimer1; the diagram and the log get the same t.
    double t = 0.0;
    // For a reading that is not valid, the conversion's partial result (0
    // mostly): consumers must not show it as a number.
    double value = 0.0;
    bool valid = false;
};

class ReadingSink {
public:
    virtual void takeReading(const Reading& reading) = 0;

protected:
    // Sinks are never owned through this interface.
    ~ReadingSink() = default;
};

} // namespace pxr
