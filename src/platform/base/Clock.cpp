#include "platform/base/Clock.h"

#include <atomic>

namespace qv
{

namespace
{
std::atomic<const Clock *> g_clock{nullptr};
}

QDateTime now()
{
    const Clock *c = g_clock.load();
    return c ? c->now() : QDateTime::currentDateTime();
}

void setClock(const Clock *clock)
{
    g_clock.store(clock);
}

} // namespace qv
