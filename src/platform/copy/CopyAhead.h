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
    CopyAhead();
    ~CopyAhead(); // what was pushed and not taken is removed

    void push(hostfs::HostPath source, hostfs::HostPath target);
    // The oldest pushed copy once written; rethrows its PlatformError.
    hostfs::WrittenCopy take();
    // The same left in place, or nothing when writing it failed.
    const hostfs::WrittenCopy *front();
    // Drops every copy not taken (after the one being written, if any, is done).
    void discard();

    CopyAhead(const CopyAhead &) = delete;
    CopyAhead &operator=(const CopyAhead &) = delete;

private:
    struct Slot {
        hostfs::HostPath source, target;
        std::uint64_t number = 0; // in the order pushed
        bool done = false;
        hostfs::WrittenCopy written;
        std::exception_ptr error;
    };
    void work();
    void waitForFront(std::unique_lock<std::mutex> &lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Slot> m_slots;  // references stay valid while others come and go
    std::size_t m_started = 0; // slots from the front taken up by the thread
    bool m_busy = false, m_stop = false;
    bool m_workerWaiting = false, m_callerWaiting = false;
    std::uint64_t m_pushed = 0;
    std::atomic<std::uint64_t> m_doneBelow{0}; // every slot numbered below is written
    std::thread m_thread;
};

} // namespace qv
