#pragma once
// A consumer of readings that keeps what it is given. Attached to a decoding
// it takes the readings as the diagram, the outputs and the log do, and
// keeps the trimmed line each one came from as well (the decoding's
// LastMessLine at that moment).

#include <functional>
#include <string>
#include <vector>

#include "measurement/Reading.h"
#include "measurement/ReadingDecoder.h"

namespace pxr::test {

class RecordingSink : public ReadingSink {
public:
    // Attaches to `decoding` after the sinks already there.
    void attachTo(MeasurementDecoding& decoding)
    {
        m_decoding = &decoding;
        decoding.addSink(*this);
    }

    void takeReading(const Reading& reading) override
    {
        readings.push_back(reading);
        if (m_decoding)
            lines.push_back(m_decoding->LastMessLine());
        if (onReading)
            onReading(reading);
    }

    std::vector<Reading> readings;
    std::vector<std::string> lines; // only when attached with attachTo
    // Called after each reading was kept (e.g. to note the loop's time).
    std::function<void(const Reading&)> onReading;

private:
    const MeasurementDecoding* m_decoding = nullptr;
};

} // namespace pxr::test
