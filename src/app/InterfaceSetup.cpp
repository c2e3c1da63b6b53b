#include "app/InterfaceSetup.h"

#include <algorithm>
#include <iterator>

#include "base/TextUtils.h"
#include "serial/PortName.h"

namespace pxr {

namespace {

const std::vector<std::string> kDevices(std::begin(kModelLineNames), std::end(kModelLineNames));
const std::vector<std::string> kBauds = {"2400",  "4800",   "9600",   "19200", "38400",
                                         "57600", "115200", "230400", "460800"};

} // namespace

const std::vector<std::string>& ComSetupModel::deviceItems() { return kDevices; }
const std::vector<std::string>& ComSetupModel::baudItems() { return kBauds; }

uint32_t ComSetupModel::rateFromText(const std::string& text)
{
    for (const std::string& b : kBauds)
        if (b == text)
            return static_cast<uint32_t>(std::stoul(b));
    return 9600;
}

const std::string* ComSetupModel::listed(const std::string& name) const
{
    const auto it = std::find_if(m_ports.begin(), m_ports.end(),
                                 [&](const std::string& p) { return samePortName(p, name); });
    return it == m_ports.end() ? nullptr : &*it;
}

void ComSetupModel::setSystemPorts(const std::vector<std::string>& ports)
{
    m_ports = ports;
    std::sort(m_ports.begin(), m_ports.end());
    m_ports.erase(std::unique(m_ports.begin(), m_ports.end()), m_ports.end());
    for (const std::string& extra : m_extraPorts)
        if (!listed(extra))
            m_ports.insert(std::lower_bound(m_ports.begin(), m_ports.end(), extra), extra);
}

void ComSetupModel::keepPort(const std::string& name)
{
    if (name.empty() || listed(name))
        return;
    m_extraPorts.push_back(name);
    m_ports.insert(std::lower_bound(m_ports.begin(), m_ports.end(), name), name);
}

void ComSetupModel::FormShow(DeviceType line, const std::string& port, uint32_t baudRate)
{
    m_foundDevice = -1;
    m_foundBaud = 0;
    deviceIndex = line;
    keepPort(port);
    // A port the list holds under another spelling ("\\.\COM10", "com3") is
    // selected as the list writes it.
    const std::string* entry = listed(port);
    portName = entry ? *entry : port;
    selectBaudText(std::to_string(baudRate));
}

void ComSetupModel::cb_deviceChange(int index)
{
    deviceIndex = index;
    const bool is501 = index >= 0 && index < static_cast<int>(kDevices.size())
        && SameTextNoCase(kDevices[static_cast<size_t>(index)], "PXR501/502");
    selectBaudText(is501 ? "115200" : "9600");
}

void ComSetupModel::simulateToggled()
{
    if (simulate)
        readoutNow = true;
}

void ComSetupModel::applyFound(DeviceType line, const std::string& port, uint32_t baud)
{
    deviceIndex = line;
    keepPort(port);
    portName = port;
    m_foundDevice = line;
    m_foundBaud = 0;
    if (baud != 0) {
        selectBaudText(std::to_string(baud));
        m_foundBaud = baud;
    }
}

uint32_t ComSetupModel::foundRate() const
{
    if (m_foundBaud == 0 || deviceIndex != m_foundDevice || baudText() != std::to_string(m_foundBaud))
        return 0;
    return m_foundBaud;
}

std::string ComSetupModel::okRefusal(const std::string& portName, bool simulate)
{
    if (simulate || portName.find_first_not_of(" \t") != std::string::npos)
        return std::string();
    return "No port name: choose a port from the list or type its name.";
}

std::string ComSetupModel::baudText() const
{
    if (baudIndex < 0 || baudIndex >= static_cast<int>(kBauds.size()))
        return std::string();
    return kBauds[static_cast<size_t>(baudIndex)];
}

void ComSetupModel::selectBaudText(const std::string& text)
{
    const auto it = std::find(kBauds.begin(), kBauds.end(), text);
    baudIndex = it == kBauds.end() ? -1 : static_cast<int>(it - kBauds.begin());
}

} // namespace pxr
