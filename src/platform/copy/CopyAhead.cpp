#include "platform/copy/CopyAhead.h"

#include "platform/marks/ArchiveMarks.h"

#include <chrono>

namespace qv
{

namespace
{
constexpr std::size_t kWakeBatch = 16;
struct Halted {
};
} // namespace

CopyAhead::CopyAhead(CopyFaultHook hook) : m_hook(std::move(hook)), m_thread([this] { work(); }) {}

CopyAhead::~CopyAhead()
{
    halt();
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CopyAhead::halt()
{
    m_halt.store(true, std::memory_order_relaxed);
}

void CopyAhead::push(HostPath source, HostPath target, QString destination)
{
    {
        std::lock_guard lock(m_mutex);
        Slot &slot = m_slots.emplace_back();
        slot.source = std::move(source);
        slot.target = std::move(target);
        slot.destination = std::move(destination);
        // A wake-up costs two system calls: a thread asleep is given a few files at once.
        if (!m_workerWaiting || m_slots.size() - m_started < kWakeBatch)
            return;
    }
    m_changed.notify_all();
}

const hostfs::WrittenCopy *CopyAhead::front()
{
    std::unique_lock lock(m_mutex);
    waitForFront(lock);
    const Slot &slot = m_slots.front();
    return slot.error ? nullptr : &slot.written;
}

hostfs::WrittenCopy CopyAhead::take()
{
    std::unique_lock lock(m_mutex);
    waitForFront(lock);
    Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    --m_started;
    lock.unlock();
    if (slot.error)
        std::rethrow_exception(slot.error);
    return std::move(slot.written);
}

void CopyAhead::waitForFront(std::unique_lock<std::mutex> &lock)
{
    if (m_slots.front().done)
        return;
    // The failure was taken and the caller goes on (a discard would have cleared it).
    m_failedAhead = false;
    if (m_workerWaiting)
        m_changed.notify_all(); // fewer than a batch were pushed, or after a failure
    // A large file may take a while: the marks cleared meanwhile are still committed
    // every second.
    while (!m_slots.front().done) {
        m_callerWaiting = true;
        const bool woken =
            m_changed.wait_for(lock, std::chrono::milliseconds(200)) == std::cv_status::no_timeout;
        m_callerWaiting = false;
        if (!woken) {
            lock.unlock();
            marks::commitIfDue();
            lock.lock();
        }
    }
}

void CopyAhead::discard()
{
    std::unique_lock lock(m_mutex);
    m_halt.store(true, std::memory_order_relaxed);
    m_callerWaiting = true;
    m_changed.wait(lock, [&] { return !m_busy; });
    m_callerWaiting = false;
    std::deque<Slot> dropped;
    dropped.swap(m_slots);
    m_started = 0;
    m_failedAhead = false;
    m_halt.store(false, std::memory_order_relaxed);
    lock.unlock(); // the temporaries go outside the lock
}

void CopyAhead::work()
{
    hostfs::FolderHandle sourceFolder, targetFolder; // files come folder by folder
    const CopyFaultHook hook = [this](const QString &destination, quint64 written) {
        if (m_halt.load(std::memory_order_relaxed))
            throw Halted();
        if (m_hook)
            m_hook(destination, written);
    };
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workerWaiting = true;
        m_changed.wait(lock, [&] {
            return m_stop ||
                   (m_started < m_slots.size() && !m_failedAhead && !m_halt.load(std::memory_order_relaxed));
        });
        m_workerWaiting = false;
        if (m_stop)
            break;
        Slot &slot = m_slots[m_started];
        m_busy = true;
        lock.unlock();
        try {
            slot.written = hostfs::writeCopy(slot.source, slot.target, slot.destination, hook,
                                             {.refuseReadOnlyTarget = false,
                                              .commitMarks = false,
                                              .sourceFolder = &sourceFolder,
                                              .targetFolder = &targetFolder,
                                              .timesOnPlace = true});
        } catch (...) {
            slot.error = std::current_exception();
        }
        lock.lock();
        slot.done = true;
        m_failedAhead = slot.error != nullptr;
        m_busy = false;
        ++m_started;
        if (m_callerWaiting)
            m_changed.notify_all();
    }
    std::deque<Slot> dropped;
    dropped.swap(m_slots);
    lock.unlock();
}

} // namespace qv
