// The measurement road from received bytes to readings for each model line:
// the measurement framer armed as the model-line switch arms it, then the
// reply decoding with its consumers, with and without the signal-strength
// dialog open and with the trace on or off.
//
// Properties: one reading per line longer than two characters (after its
// trailing control characters), each attached sink called once per reading
// in the order of attachment with the same reading; a valid reading has a finite
// value, an invalid one the value 0; LastMessLine is the last line handed
// in. The number conversions are also run on the raw text.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "measurement/ReadingDecoder.h"
#include "measurement/Stopwatch.h"
#include "serial/ComDataPacket.h"
#include "base/Trace.h"

using namespace pxr;
using pxr::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const DeviceType model = static_cast<DeviceType>(in.pick(3));
    const bool dialogOpen = in.flag();
    in.flag(); // once the simulation switch; kept so that the corpus replays as before
    DebugTrace = in.flag();
    setTraceSink([](const std::string&) {});

    double clock = 0.0;
    Stopwatch timer([&clock] { return clock; });
    timer.Start();

    // Levels come only while the dialog is open.
    struct Dialog : SignalLevelDisplay {
        bool open = false;
        uint64_t levels = 0;
        bool signalDialogOpen() const override { return open; }
        void ShowSignalLevel(int32_t) override
        {
            FUZZ_CHECK(open);
            ++levels;
        }
    } dialog;
    dialog.open = dialogOpen;
    MeasurementDecoding decoding(model, timer, &dialog);

    // Four sinks, as the program attaches four: each must come in its turn
    // and see the very reading the first one saw.
    struct StepSink : ReadingSink {
        int index = 0;
        int* step = nullptr;
        Reading* first = nullptr;
        uint64_t count = 0;
        void takeReading(const Reading& r) override
        {
            FUZZ_CHECK(*step == index);
            *step = (index + 1) % 4;
            ++count;
            if (index == 0) {
                FUZZ_CHECK(std::isfinite(r.value));
                if (!r.valid)
                    FUZZ_CHECK(r.value == 0.0);
                *first = r;
            } else {
                FUZZ_CHECK(r.valid == first->valid && r.value == first->value && r.t == first->t);
            }
        }
    };
    int step = 0;
    Reading first;
    StepSink sinks[4];
    for (int i = 0; i < 4; ++i) {
        sinks[i].index = i;
        sinks[i].step = &step;
        sinks[i].first = &first;
        decoding.addSink(sinks[i]);
    }

    TComDataPacket framer;
    framer.IncludeStrings = false;
    if (model == kPXR500C) {
        framer.setStartString(" ");
        framer.setSize(8);
    } else {
        framer.setStopString("\r\n");
    }
    uint64_t longLines = 0;
    std::string lastLine;
    framer.OnPacket = [&](TComDataPacket& sender, const std::string& packet) {
        const std::string_view line = TrimTrailingControls(packet);
        if (line.size() > 2)
            ++longLines;
        lastLine.assign(line.data(), line.size());
        decoding.ComDataPacket_messPacket(sender, packet);
        FUZZ_CHECK(decoding.LastMessLine() == lastLine);
    };

    // The first part goes through the framer in blocks, the rest is one
    // line handed in directly (as the simulated device does).
    const std::string stream = in.bytes(in.word() % 2048);
    for (size_t pos = 0; pos < stream.size();) {
        const size_t n = 1 + static_cast<unsigned char>(stream[pos]) % 64;
        framer.AddData(stream.substr(pos + 1, n));
        pos += 1 + n;
        clock += 0.02;
    }
    const std::string direct = in.rest();
    decoding.ComDataPacket_messPacket(std::string_view(direct));
    if (TrimTrailingControls(direct).size() > 2)
        ++longLines;

    FUZZ_CHECK(step == 0);
    for (const StepSink& sink : sinks)
        FUZZ_CHECK(sink.count == longLines);
    FUZZ_CHECK(decoding.readingCount() == longLines);
    if (!dialogOpen)
        FUZZ_CHECK(dialog.levels == 0);

    // The conversions on their own.
    double value = 0.0;
    if (DecodeDecimal(direct, value))
        FUZZ_CHECK(std::isfinite(value));
    else
        FUZZ_CHECK(value == 0.0);
    for (DeviceType m = 0; m < 3; ++m) {
        if (DecodeReading(m, direct, value))
            FUZZ_CHECK(std::isfinite(value));
        std::string valueText;
        CutValueText(m, TrimTrailingControls(direct), dialogOpen, valueText);
        FUZZ_CHECK(valueText.size() <= direct.size() + 3);
    }
    int32_t count = 0;
    if (DecodeHex(direct, count))
        FUZZ_CHECK(direct.size() <= 8);
    TryTextToInt(direct, count);
    DebugTrace = false;
    return 0;
}
