#include "measurement/SignalLevel.h"

#include "base/ScopedFlag.h"

namespace pxr {

SignalLevel::SignalLevel(ComTransactions& tx, TPXR500C& pxr500c, TPXR501& pxr501, View view)
    : m_tx(tx), m_pxr500c(pxr500c), m_pxr501(pxr501), m_view(std::move(view))
{
}

void SignalLevel::acDJExecute() { RunSignalDialog(std::string(), std::string(), 7000, 0, m_tx.deviceType); }

void SignalLevel::acSdExecute()
{
    RunSignalDialog(m_pxr501.GetSD(0), m_pxr501.GetSD(1), 7000, 0, m_tx.deviceType);
}

void SignalLevel::RunSignalDialog(const std::string& format, const std::string& content, int maximum, int minimum,
                                  DeviceType model)
{
    if (m_running)
        return;
    const ScopedFlag running(m_running);

    SavedFormat = format;
    SavedContent = content;
    DialogDeviceType = model;
    if (m_view.setRange)
        m_view.setRange(minimum, maximum);
    if (m_view.setPosition)
        m_view.setPosition(0);
    if (m_view.setLabel)
        m_view.setLabel(std::string());

    const std::string esc(1, ESC);
    if (model == kPXR500C) {
        if (m_tx.DetectRunning(1000)) {
            m_tx.SendText(esc);
            m_tx.Delay(1000);
        }
        m_tx.SendCommand("DJ");
    } else if (model == kPXR501) {
        // Decimal output with distance and signal strength.
        m_pxr501.SetSD(0, "0");
        m_pxr501.SetSD(1, "1");
        m_tx.SendText(esc);
        m_tx.Delay(1000);
        m_tx.SendParameter("SD", "0 1");
        m_tx.SendCommand("DT");
    }
    Active = true;
    if (m_view.execModal) {
        // The dialog closes itself through FormClose; make sure the meter is
        // switched back even if the modal loop ends another way.
        m_view.execModal();
        if (Active)
            FormClose();
    }
}

void SignalLevel::ShowSignalLevel(int level)
{
    if (level == LastLevel)
        return;
    LastLevel = level;
    if (m_view.setPosition)
        m_view.setPosition(level);
    if (m_view.setLabel)
        m_view.setLabel(std::to_string(level));
}

void SignalLevel::FormClose()
{
    // The meter goes back to its own output format and mode whatever the
    // user presses meanwhile; left half way it would keep the signal output.
    MeterConversation::Uncancellable whole(m_tx.conversation());
    const std::string esc(1, ESC);
    if (DialogDeviceType == kPXR500C) {
        if (m_tx.DetectRunning(1000)) {
            m_tx.SendText(esc);
            m_tx.Delay(1000);
        }
        if (m_pxr500c.GetAS().size() > 1)
            m_tx.SendCommand(m_pxr500c.GetAS());
    } else if (DialogDeviceType == kPXR501) {
        m_pxr501.SetSD(0, SavedFormat);
        m_pxr501.SetSD(1, SavedContent);
        m_tx.SendCommand(esc); // ESC followed by CR here
        m_tx.Delay(1000);
        m_tx.SendParameter("SD", SavedFormat + " " + SavedContent);
        if (m_pxr501.GetAS().size() > 1)
            m_tx.SendCommand(m_pxr501.GetAS());
    }
    Active = false;
}

} // namespace pxr
