#pragma once
// The program's one event loop as the core sees it. The Qt build runs it on
// nested QEventLoops; core tests run it in virtual time. All waits of the
// transactions go through waitFor(), so received data, timers and user
// commands keep being handled while a command waits for the meter.

#include <cstdint>
#include <functional>
#include <memory>

namespace pxr {

class Timer {
public:
    virtual ~Timer() = default;
    // Runs the callback every intervalMs (once when single-shot) until stopped.
    virtual void start(uint32_t intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual uint32_t interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;
    virtual void setCallback(std::function<void()> callback) = 0;
};

class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Milliseconds since an arbitrary start; unsigned 32-bit, wraps like GetTickCount.
    virtual uint32_t tickCount() const = 0;
    // Handles events until ms have passed; returns at once for 0.
    virtual void waitFor(uint32_t ms) = 0;
    // Handles the events that are pending now, without waiting.
    virtual void processEvents() = 0;
    // Runs fn later from the loop, after the current handler has returned.
    virtual void post(std::function<void()> fn) = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

} // namespace pxr
