#pragma once
// A window for the measurement road that records what it is shown: the
// signal levels, the lamps, the live number and needle, the line counter's
// resets, the log action's captions and the folders its file dialog opened
// in. The dialog answers `chosenLogFile` ("" = cancelled).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "measurement/Measurement.h"

namespace pxr::test {

class RecordingMeasurementView : public MeasurementView {
public:
    bool signalDialogOpen() const override { return dialogOpen; }
    void ShowSignalLevel(int32_t level) override { levels.push_back(level); }
    void setLed(int output, bool on) override { leds.emplace_back(output, on); }
    std::string logDirectory() override { return logFolder; }
    std::string chooseLogFile(const std::string& initialDir) override
    {
        dialogDirs.push_back(initialDir);
        return chosenLogFile;
    }
    void setStartStopLog(bool checked, const std::string& caption) override { captions.emplace_back(checked, caption); }
    void resetLineCount() override { ++lineCountResets; }
    void showLiveValues(const std::string& caption, int32_t meterValue) override
    {
        shown.emplace_back(caption, meterValue);
    }
    void showNewPoints() override { ++newPoints; }

    bool dialogOpen = false;
    std::vector<int32_t> levels;
    std::vector<std::pair<int, bool>> leds;
    std::string logFolder;
    std::string chosenLogFile;
    std::vector<std::string> dialogDirs;
    std::vector<std::pair<bool, std::string>> captions;
    int lineCountResets = 0;
    std::vector<std::pair<std::string, int32_t>> shown;
    int newPoints = 0;
};

} // namespace pxr::test
