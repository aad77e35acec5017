#pragma once
#include "platform/files/FileSystem.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace qv
{

// Writes copies on a second thread, in the order they were pushed, each to a
// temporary beside its target; the caller takes them in the same order and puts them
// in place itself. The copy is mostly waiting on the kernel, so reading and writing
// the next files while the caller clears marks and logs the last one uses the
// machine's second core. Nothing pushed reaches its target unless it was taken.
class CopyAhead
{
public:
    // hook: the copy fault hook, called on the copying thread before each block.
    explicit CopyAhead(CopyFaultHook hook = {});
    ~CopyAhead(); // as halt(); what was pushed and not taken is removed

    // destination: the Windows path the fault hook is told.
    void push(HostPath source, HostPath target, QString destination);
    // The oldest pushed copy once written; rethrows its PlatformError (or the stop's).
    hostfs::WrittenCopy take();
    // The same left in place, or nothing when writing it failed.
    const hostfs::WrittenCopy *front();
    // Drops every copy not taken, the one being written stopped within a block.
    void discard();
    // Stops the copy being written within a block, and writes nothing more: a stopped
    // run must not wait for a large file it will throw away.
    void halt();

    CopyAhead(const CopyAhead &) = delete;
    CopyAhead &operator=(const CopyAhead &) = delete;

private:
    struct Slot {
        HostPath source, target;
        QString destination;
        bool done = false;
        hostfs::WrittenCopy written;
        std::exception_ptr error;
    };
    void work();
    void waitForFront(std::unique_lock<std::mutex> &lock);

    const CopyFaultHook m_hook;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Slot> m_slots;  // references stay valid while others come and go
    std::size_t m_started = 0; // slots from the front taken up by the thread
    bool m_busy = false, m_stop = false;
    // A copy failed: the next would likely fail alike (a full disk), so the thread
    // waits until the caller, having met it, asks for the next or discards them.
    bool m_failedAhead = false;
    bool m_workerWaiting = false, m_callerWaiting = false;
    std::atomic_bool m_halt{false}; // looked at before every block
    std::thread m_thread;
};

} // namespace qv
