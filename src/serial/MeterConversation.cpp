#include "serial/MeterConversation.h"

#include "base/Trace.h"

namespace pxr {

bool MeterConversation::begin(const std::string& operation, bool locksEditor)
{
    if (m_active)
        return false;
    m_active = true;
    m_locksEditor = locksEditor;
    m_cancel = false;
    m_operation = operation;
    m_progress = ConversationProgress();
    changed();
    return true;
}

void MeterConversation::end()
{
    if (!m_active)
        return;
    m_active = false;
    m_locksEditor = false;
    m_cancel = false;
    m_operation.clear();
    m_progress = ConversationProgress();
    changed();
}

void MeterConversation::setPhase(const std::string& phase, int total)
{
    if (!m_active)
        return;
    m_progress = ConversationProgress();
    m_progress.phase = phase;
    m_progress.total = total;
    changed();
}

void MeterConversation::setStep(const std::string& item, int step)
{
    if (!m_active)
        return;
    m_progress.item = item;
    m_progress.step = step;
    changed();
}

void MeterConversation::requestCancel()
{
    if (!m_active || m_cancel)
        return;
    m_cancel = true;
    changed();
}

void MeterConversation::throwIfCancelled() const
{
    if (m_active && m_cancel && m_uncancellable == 0)
        throw OperationCancelled();
}

std::string MeterConversation::cancelledText() const
{
    const std::string& name = m_progress.phase.empty() ? m_operation : m_progress.phase;
    // The exchange of the current item has not begun when the cancel takes
    // effect, so the items before it are the ones done.
    if (m_progress.total > 0 && m_progress.step > 0)
        return format(" %s cancelled after %d of %d codes", name.c_str(), m_progress.step - 1,
                      m_progress.total);
    return " " + name + " cancelled";
}

void MeterConversation::changed()
{
    if (OnChanged)
        OnChanged();
}

} // namespace pxr
