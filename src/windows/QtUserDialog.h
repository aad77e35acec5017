#pragma once
#include "platform/base/UserDialog.h"

#include <QtGlobal>

#include <functional>
#include <optional>

class QWidget;
class QRect;

namespace qv
{

// The window implementation of the user dialogue: QMessageBox / QInputDialog with
// Norwegian button texts and access letters, centred on the main window.
class QtUserDialog : public UserDialog
{
public:
    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      int defaultButton) override;
    QString prompt(const QString &text, const QString &title, const QString &defaultAnswer) override;
    void setBusyPointer(bool busy) override;
    void processEvents() override;

    // Runs before a pending-events call, at most every kRefreshIntervalMs: the main
    // window pushes its state to the screen here.
    void setBeforeProcessEvents(std::function<void()> f) { m_before = std::move(f); }

    static constexpr int kRefreshIntervalMs = 33;
    // Milliseconds of a steady clock, for the interval above; a test gives its own.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The window a dialogue belongs to: the active one, else the main window.
    static QWidget *dialogOwner();
    // Places dialog (laid out first) centred on owner, or on the screen without one.
    static void centreOn(QWidget &dialog, QWidget *owner);
    static void centreOn(QWidget &dialog, const QRect &area);

private:
    void refreshNow();
    qint64 now() const;

    std::function<void()> m_before;
    Clock m_clock;
    std::optional<qint64> m_lastRefresh;
    bool m_busy = false;
};

} // namespace qv
