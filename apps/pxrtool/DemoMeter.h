#pragma once
// The meter emulator pxr-meter run for a demonstration: started on a
// pseudo-terminal in a temporary folder, stopped when the program ends.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pxr {

class DemoMeter {
public:
    DemoMeter() = default;
    ~DemoMeter();
    DemoMeter(const DemoMeter&) = delete;
    DemoMeter& operator=(const DemoMeter&) = delete;

    // Starts pxr-meter for the model ("pxr7x" ...) and waits until its
    // pseudo-terminal link exists. On failure error() says why.
    bool start(const QString& model);
    void stop();

    QString link() const { return m_link; }
    QString error() const { return m_error; }

    // pxr-meter beside this program (the build tree's apps folder), else on PATH.
    static QString findMeter();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_link;
    QString m_error;
};

} // namespace pxr
