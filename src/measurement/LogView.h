#pragma once
// Terminal1: the log window's view. It only shows what the online log holds:
// a timer takes the lines logged since its last pass and appends them in
// one step, so a fast stream costs one text update per pass, not one per
// reading. The view keeps at most 256 rows. Behind another page of a shown
// window its passes are kHiddenPasses times further apart and only keep the
// lines (the last kRows) until it is shown again, when it takes them all
// at once.

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

#include <cstdint>

namespace pxr {

class OnlineLog;

class LogView : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kRows = 256;
    static constexpr int kColumns = 96;
    static constexpr int kFlushMs = 50;
    static constexpr int kHiddenPasses = 20;

    explicit LogView(QWidget* parent = nullptr);

    // The log to show (null: nothing).
    void attach(const OnlineLog* log);
    // Takes over what was logged since the last pass.
    void flush();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void tick();
    bool behindPage() const;

    const OnlineLog* m_log = nullptr;
    QTimer m_timer;
    uint64_t m_shownSerial = 0;
    uint64_t m_shownClears = 0;
    // Taken from the log, not yet in the text; m_replace: they push out
    // every row the text has.
    QStringList m_waiting;
    bool m_replace = false;
};

} // namespace pxr
