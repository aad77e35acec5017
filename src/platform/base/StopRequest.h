#pragma once
#include <atomic>
#include <exception>

namespace qv::stop
{

// A stop asked for from outside the run (a signal): the scan looks at it for every
// folder, the copy for every block and every wait, so a run ends within a second in
// any phase. request() is safe in a signal handler.
inline std::atomic_bool g_requested{false};
static_assert(std::atomic_bool::is_always_lock_free);

inline void request() noexcept
{
    g_requested.store(true, std::memory_order_relaxed);
}
inline void reset() noexcept
{
    g_requested.store(false, std::memory_order_relaxed);
}
inline bool requested() noexcept
{
    return g_requested.load(std::memory_order_relaxed);
}

// Thrown by a copy stopped part way (the temporary is gone, nothing was placed).
struct Stopped : std::exception {
    const char *what() const noexcept override { return "stopped"; }
};

inline void throwIfRequested()
{
    if (requested())
        throw Stopped();
}

} // namespace qv::stop
