#pragma once
// The main controller as the program assembles it, in virtual time: the
// loop, the loopback line and its port, a settings store in memory and a
// window that records what it is shown (FakeView). A test puts its peer at
// the far end of the line (backend.attachPeer), stores what the start
// should find, and creates and shows the controller.

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/InterfaceSetup.h"
#include "app/KeyValueBackend.h"
#include "app/MainController.h"
#include "support/FakeView.h"
#include "support/LoopbackPort.h"
#include "support/RecordingSink.h"
#include "support/VirtualEventLoop.h"

namespace pxr::test {

// The system as the controller sees it: a port list (or one that cannot be
// read) and, for the meter finder, loopback lines to `finderPeer` (silent
// lines while none is named).
struct FakeSystem : SystemServices {
    explicit FakeSystem(VirtualEventLoop& loop) : m_loop(loop) {}
    std::vector<std::string> listPorts() override
    {
        if (listFails)
            throw std::runtime_error("no registry");
        return ports;
    }
    std::unique_ptr<ComPortBackend> createPortBackend() override
    {
        auto line = std::make_unique<LoopbackPort>(m_loop);
        line->attachPeer(finderPeer);
        return line;
    }
    char decimalSeparator() const override { return '.'; }

    std::vector<std::string> ports;
    bool listFails = false;
    LinePeer* finderPeer = nullptr;

private:
    VirtualEventLoop& m_loop;
};

struct ControllerRig {
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    TComPort port{backend};
    MemoryKeyValueBackend store{true};
    FakeView view;
    std::unique_ptr<MainController> ctl;
    FakeSystem system{loop}; // the port list, the finder's lines
    RecordingSink decoded;                 // every reading of the decoding, with its line
    std::vector<double> decodedTimes;      // and when it came

    ControllerRig() = default;
    ControllerRig(const ControllerRig&) = delete;
    ControllerRig& operator=(const ControllerRig&) = delete;
    ~ControllerRig()
    {
        backend.onWrite = nullptr;
        ctl.reset();
    }

    void storeText(const char* section, const char* name, const std::string& text)
    {
        store.put(section, name, StoredValue::text(text));
    }
    void storePort(const std::string& name = "/dev/ttyPXR", const std::string& baud = "9600")
    {
        storeText("ComPort", "Port", name);
        storeText("ComPort", "BaudRate", baud);
    }
    void storeType(int line) { storeText("Device", "Type", std::to_string(line)); }

    // The controller over this rig, created with the command line `args`.
    void create(const std::vector<std::string>& args = {})
    {
        ctl = std::make_unique<MainController>(port, loop, store, view);
        ctl->setSystem(system);
        ctl->FormCreate(args);
        decoded.attachTo(ctl->measurement()->decoding);
        decoded.onReading = [this](const Reading&) { decodedTimes.push_back(loop.nowMs()); };
    }
    // Shows it; `confirm` answers the interface setup of the start with OK
    // (otherwise view.dialog decides; empty: Cancel).
    void show(bool confirm = false)
    {
        if (!confirm) {
            ctl->FormShow();
            return;
        }
        view.dialog = [](ComSetupModel&) { return true; };
        ctl->FormShow();
        view.dialog = nullptr;
    }
    void start(const std::vector<std::string>& args = {})
    {
        create(args);
        show();
    }

    void run(double ms) { loop.runUntil(loop.nowMs() + ms); }
    // What the program wrote, block by block.
    std::vector<std::string> writes() const
    {
        std::vector<std::string> w;
        for (const auto& b : backend.written())
            w.push_back(b.bytes);
        return w;
    }
    bool wrote(const std::string& bytes) const
    {
        const auto w = writes();
        return std::find(w.begin(), w.end(), bytes) != w.end();
    }
};

} // namespace pxr::test
