#pragma once
#include <QDateTime>

namespace qv
{

// The local date and time, replaceable by tests (dated zip names, last-run stamps).
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

QDateTime now();                   // through the installed clock
void setClock(const Clock *clock); // nullptr: the system clock

// A clock that stands still until moved.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime t) : m_t(std::move(t)) {}
    QDateTime now() const override { return m_t; }
    void set(QDateTime t) { m_t = std::move(t); }

private:
    QDateTime m_t;
};

} // namespace qv
