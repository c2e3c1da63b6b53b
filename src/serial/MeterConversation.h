#pragma once
// Which operation is talking to the meter, if any. The command/reply
// operations wait on the event loop, so user commands, timers and received
// data are handled inside every wait; a second command started there would
// put its bytes between the first one's question and answer (or write the
// editor while the first one reads it). So the main controller runs every
// action that talks to the meter as one conversation and refuses the others
// while it lasts; the operations report their progress here; and the
// transactions end a cancelled operation at the start of its next exchange,
// never in the middle of one.

#include <exception>
#include <functional>
#include <string>

namespace pxr {

// Thrown by the transactions at the start of an exchange once the user has
// cancelled the running operation. Callers unwind with their usual clean-up.
class OperationCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "operation cancelled"; }
};

struct ConversationProgress {
    std::string phase; // "Get Parameter"; empty: the operation's name
    std::string item;  // what is being handled now, e.g. the code "SF"
    int step = 0;      // 1-based number of that item; 0 before the first
    int total = 0;     // number of items; 0 when the operation does not count
};

class MeterConversation {
public:
    bool active() const { return m_active; }
    // The operation's name as the user knows it ("Get Parameter").
    const std::string& operation() const { return m_operation; }
    // The editor fields are read-only while it runs (it fills or takes them).
    bool locksEditor() const { return m_locksEditor; }

    // Starts a conversation; false (and nothing changes) while one runs.
    bool begin(const std::string& operation, bool locksEditor);
    void end();

    // Progress of the running operation; ignored when none runs (the same
    // operations serve tools without a conversation).
    void setPhase(const std::string& phase, int total);
    void setStep(const std::string& item, int step);
    const ConversationProgress& progress() const { return m_progress; }

    // The user wants the operation to end after its current exchange.
    void requestCancel();
    bool cancelRequested() const { return m_cancel; }
    // Throws OperationCancelled when a cancel was requested, except inside
    // a section that must run to its end.
    void throwIfCancelled() const;
    // Panel 2 after a cancelled operation: " Get Parameter cancelled after
    // 6 of 15 codes", or " DT Distance Tracking cancelled".
    std::string cancelledText() const;

    // A stretch that must not be cut (the meter has been told a new baud
    // rate and the PC port must follow). Nests.
    class Uncancellable {
    public:
        explicit Uncancellable(MeterConversation& c) : m_c(c) { ++m_c.m_uncancellable; }
        ~Uncancellable() { --m_c.m_uncancellable; }
        Uncancellable(const Uncancellable&) = delete;
        Uncancellable& operator=(const Uncancellable&) = delete;

    private:
        MeterConversation& m_c;
    };

    // Called after every change (begin, end, progress, cancel request).
    std::function<void()> OnChanged;

private:
    void changed();

    bool m_active = false;
    bool m_locksEditor = false;
    bool m_cancel = false;
    int m_uncancellable = 0;
    std::string m_operation;
    ConversationProgress m_progress;
};

} // namespace pxr
