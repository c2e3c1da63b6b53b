#include "measurement/Measurement.h"

#include <initializer_list>

namespace pxr {

Measurement::Measurement(const DeviceType& deviceType, EventLoop& loop, UiHooks& ui, const TPXR7x& pxr7x,
                         const TPXR500C& pxr500c, const TPXR501& pxr501, MeasurementView* view,
                         Stopwatch::Clock clock)
    : ATimer1(std::move(clock)), decoding(deviceType, ATimer1, view), outputs(deviceType, pxr7x, pxr500c, pxr501, view),
      log(ATimer1, ui, view), m_deviceType(deviceType), m_view(view), m_analogTimer(loop.createTimer())
{
    // The order in which every reading reaches its consumers: the diagram
    // and its statistics, the analog and switching outputs, the log.
    for (ReadingSink* sink : std::initializer_list<ReadingSink*>{&series, &stats, &outputs, &log})
        decoding.addSink(*sink);
    ATimer1.Start();
    m_analogTimer->setCallback([this] { Timer_AnalogMeterTimer(); });
    m_analogTimer->start(100);
}

void Measurement::setView(MeasurementView* view)
{
    m_view = view;
    decoding.setSignalLevelDisplay(view);
    outputs.setLamps(view);
    log.setWindow(view);
    // What is shown was shown on the old view.
    m_shownOnce = false;
}

Measurement::~Measurement()
{
    if (m_mess)
        m_mess->OnPacket = nullptr;
}

void Measurement::connect(TComDataPacket& mess)
{
    if (m_mess && m_mess != &mess)
        m_mess->OnPacket = nullptr;
    m_mess = &mess;
    mess.OnPacket = [this](TComDataPacket& sender, const std::string& packet) {
        decoding.ComDataPacket_messPacket(sender, packet);
    };
}

AnalogMeterScale Measurement::ArrangeForDeviceType()
{
    outputs.ClearHysteresis();
    return SetupAnalogMeter(m_deviceType);
}

void Measurement::acClearGrafikExecute()
{
    ATimer1.Start();
    series.Clear();
    stats.clear();
    if (m_view)
        m_view->resetLineCount();
}

void Measurement::applyGraphicSettings(const GraphicSettings& settings)
{
    series.setNumber(settings.number);
}

void Measurement::Timer_AnalogMeterTimer()
{
    // Only the latest of the readings since the last tick is shown; nothing
    // is redrawn per reading. One timer for everything shown at this pace:
    // at a stream's full rate each wake-up costs more than what it draws.
    if (!m_shownOnce || m_shownRevision != series.revision()) {
        m_shownRevision = series.revision();
        if (m_view)
            m_view->showNewPoints();
    }
    const std::string& caption = decoding.LastMessLine();
    const int32_t value = outputs.MeterValue();
    if (m_shownOnce && caption == m_shownCaption && value == m_shownValue)
        return;
    m_shownOnce = true;
    m_shownCaption = caption;
    m_shownValue = value;
    if (m_view)
        m_view->showLiveValues(caption, value);
}

} // namespace pxr
