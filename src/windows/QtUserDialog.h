#pragma once
#include "platform/base/UserDialog.h"

#include <QElapsedTimer>

#include <functional>

namespace qv
{

// The window implementation of the user dialogue: QMessageBox / QInputDialog with
// Norwegian button texts.
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

private:
    void refreshNow();

    std::function<void()> m_before;
    QElapsedTimer m_sinceRefresh;
    bool m_busy = false;
};

} // namespace qv
