#pragma once
#include <QCoreApplication>
#include <QTimer>

#include <functional>

namespace qvtest
{

// Whether done() holds before a timer started now for ms has fired. Timers fire in the
// order they fall due, so this is a question of order, not of the machine's speed.
inline bool comesBefore(int ms, const std::function<bool()> &done)
{
    QTimer last;
    last.setTimerType(Qt::PreciseTimer);
    last.setSingleShot(true);
    bool fired = false;
    QObject::connect(&last, &QTimer::timeout, [&] { fired = true; });
    last.start(ms);
    while (!done() && !fired)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Lets every timer due within ms from now fire (a coarse timer may be 5 % late), for
// checks that something does not happen.
inline void letTimersFire(int ms)
{
    comesBefore(ms + ms / 20 + 1, [] { return false; });
}

} // namespace qvtest
