#include "platform/zip/ZipPipeline.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::zip
{

namespace
{

constexpr std::size_t Window = 32 * 1024;
// Counted for every piece beyond its bytes, so that empty files do not let the
// workers run arbitrarily far ahead.
constexpr std::uint64_t PieceOverhead = 4096;
constexpr std::size_t SmallFile = 16 * 1024;

// O_NONBLOCK: a name that became a pipe must not hang the call on open.
int openForReading(const HostPath &path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Reads up to size bytes at offset; short only at the end of the file.
bool readAt(int fd, unsigned char *buffer, std::uint64_t size, std::uint64_t offset, std::uint64_t &got,
            int &err)
{
    got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, buffer + got, std::size_t(size - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            return false;
        }
        if (n == 0)
            break;
        got += std::uint64_t(n);
    }
    return true;
}

// The identity from the descriptor again. A file replaced under its name is caught
// where the mark is kept, which compares with what the path holds then.
bool stillSame(int fd, const FileIdentity &before)
{
    struct stat st {
    };
    return ::fstat(fd, &st) == 0 && FileIdentity::of(st) == before;
}

} // namespace

// One worker's compressors, made on first use.
class Pipeline::Compressors
{
public:
    explicit Compressors(int level) : m_level(level) {}
    ~Compressors()
    {
        for (libdeflate_compressor *c : {m_whole, m_small})
            if (c)
                libdeflate_free_compressor(c);
        if (m_streamReady)
            deflateEnd(&m_stream);
    }
    // libdeflate packs tighter than zlib at the same level: three levels lower gives
    // about zlib's size (within 1 % at 5) in a third of zlib's time. Small files go
    // one level lower still: there the cost is mostly setting up, and they weigh
    // little in the archive's size.
    libdeflate_compressor *whole(std::size_t size)
    {
        const bool small = size < SmallFile;
        libdeflate_compressor *&c = small ? m_small : m_whole;
        if (!c)
            c = libdeflate_alloc_compressor(std::max(1, m_level - (small ? 4 : 3)));
        return c;
    }
    z_stream *stream()
    {
        if (!m_streamReady) {
            m_stream = z_stream{};
            if (deflateInit2(&m_stream, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return nullptr;
            m_streamReady = true;
        }
        return &m_stream;
    }

private:
    int m_level;
    libdeflate_compressor *m_whole = nullptr;
    libdeflate_compressor *m_small = nullptr;
    z_stream m_stream{};
    bool m_streamReady = false;
};

Pipeline::Pipeline(const std::vector<Input> &inputs, int level, unsigned workers)
    : m_inputs(inputs), m_level(level), m_jobs(inputs.size())
{
    if (workers == 0)
        workers = std::clamp(std::thread::hardware_concurrency(), 1u, 32u);
    for (unsigned i = 0; i < workers; ++i)
        m_threads.emplace_back([this] { work(); });
}

Pipeline::~Pipeline()
{
    cancel();
    for (std::thread &t : m_threads)
        t.join();
    for (Job &j : m_jobs)
        if (j.fd >= 0)
            ::close(j.fd);
}

void Pipeline::cancel()
{
    std::lock_guard lock(m);
    m_cancel = true;
    m_workCv.notify_all();
}

bool Pipeline::nextUnit(Unit &u)
{
    while (m_nextItem < m_inputs.size()) {
        const Input &in = m_inputs[m_nextItem];
        Job &job = m_jobs[m_nextItem];
        if (m_nextPiece == 0 && job.pieces.empty()) {
            job.pieces.resize(1);
            if (in.isDir) {
                job.pieces[0].ready = true;
                ++m_nextItem;
                m_readyCv.notify_all();
                continue;
            }
            if (in.size > WholeLimit) {
                // Opened here, once, so that every piece reads the same file.
                job.fd = openForReading(in.hostPath);
                struct stat st {
                };
                int err = job.fd < 0 ? errno : ::fstat(job.fd, &st) != 0 ? errno : 0;
                if (err == 0 && !S_ISREG(st.st_mode))
                    err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
                if (err != 0) {
                    job.pieces[0].err = err;
                    job.pieces[0].ready = true;
                    ++m_nextItem;
                    m_readyCv.notify_all();
                    continue;
                }
                job.chunked = true;
                job.before = FileIdentity::of(st);
                job.size = std::uint64_t(st.st_size);
                job.pieces.resize(std::max<std::size_t>(1, std::size_t((job.size + Chunk - 1) / Chunk)));
            }
        }
        const std::uint64_t offset = m_nextPiece * Chunk;
        const std::uint64_t length =
            job.chunked ? std::min(Chunk, job.size - std::min(job.size, offset)) : in.size;
        const std::uint64_t weight = length + PieceOverhead;
        if (m_inFlight > 0 && m_inFlight + weight > Budget)
            return false;
        m_inFlight += weight;
        job.pieces[m_nextPiece].weight = weight;
        u = Unit{};
        u.item = m_nextItem;
        u.piece = m_nextPiece;
        u.whole = !job.chunked;
        u.last = m_nextPiece + 1 == job.pieces.size();
        if (job.chunked) {
            // Read in order under the lock: the dictionary of a piece must be exactly
            // the bytes the piece before it compressed, even if the file changes.
            u.dictionary = job.tail.size();
            u.input.resize(u.dictionary + length);
            std::copy(job.tail.begin(), job.tail.end(), u.input.begin());
            std::uint64_t got = 0;
            if (!readAt(job.fd, u.input.data() + u.dictionary, length, offset, got, u.err))
                got = 0;
            u.input.resize(u.dictionary + got);
            const std::size_t keep = std::min<std::size_t>(Window, u.input.size());
            job.tail.assign(u.input.end() - std::ptrdiff_t(keep), u.input.end());
        }
        if (u.last) {
            ++m_nextItem;
            m_nextPiece = 0;
        } else {
            ++m_nextPiece;
        }
        return true;
    }
    return false;
}

void Pipeline::work()
{
    Compressors compressors(std::max(m_level, 1));
    std::unique_lock lock(m);
    while (!m_cancel) {
        Unit u;
        if (!nextUnit(u)) {
            if (m_nextItem >= m_inputs.size())
                return;
            ++m_idleWorkers;
            m_workCv.wait(lock);
            --m_idleWorkers;
            continue;
        }
        lock.unlock();
        Piece p;
        if (u.whole)
            readWhole(u, p, compressors);
        else
            deflatePiece(u, p, compressors);
        lock.lock();
        Piece &slot = m_jobs[u.item].pieces[u.piece];
        p.weight = slot.weight;
        p.ready = true;
        slot = std::move(p);
        if (m_writerWaiting)
            m_readyCv.notify_all();
    }
}

void Pipeline::readWhole(const Unit &u, Piece &p, Compressors &c)
{
    const HostPath &path = m_inputs[u.item].hostPath;
    const int fd = openForReading(path);
    if (fd < 0) {
        p.err = errno;
        return;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        p.err = S_ISDIR(st.st_mode) ? EISDIR : errno ? errno : EINVAL;
        ::close(fd);
        return;
    }
    const FileIdentity before = FileIdentity::of(st);
    std::vector<unsigned char> input(std::size_t(st.st_size));
    std::uint64_t got = 0;
    const bool read = readAt(fd, input.data(), input.size(), 0, got, p.err);
    const bool unchanged = read && stillSame(fd, before);
    ::close(fd);
    if (!read)
        return;
    input.resize(std::size_t(got));
    {
        std::lock_guard lock(m);
        if (m_cancel)
            return;
    }
    noteReadIdentity(path.bytes(), before, unchanged);

    p.length = got;
    p.crc = std::uint32_t(libdeflate_crc32(0, input.data(), input.size()));
    if (m_level > 0) {
        // Always deflate: the method of every entry is fixed before its data exists.
        // Data that does not shrink goes into stored blocks, a few bytes per 64 KiB.
        libdeflate_compressor *compressor = c.whole(input.size());
        if (!compressor) {
            p.err = ENOMEM;
            return;
        }
        p.data.resize(libdeflate_deflate_compress_bound(compressor, input.size()));
        const std::size_t n =
            libdeflate_deflate_compress(compressor, input.data(), input.size(), p.data.data(), p.data.size());
        if (n == 0) {
            p.err = ENOMEM;
            return;
        }
        p.data.resize(n);
        p.deflated = true;
        return;
    }
    p.data = std::move(input);
}

void Pipeline::deflatePiece(Unit &u, Piece &p, Compressors &c)
{
    p.err = u.err;
    if (p.err != 0)
        return;
    const unsigned char *data = u.input.data() + u.dictionary;
    const std::size_t size = u.input.size() - u.dictionary;
    p.length = size;
    p.crc = std::uint32_t(libdeflate_crc32(0, data, size));
    if (m_level == 0) {
        u.input.erase(u.input.begin(), u.input.begin() + std::ptrdiff_t(u.dictionary));
        p.data = std::move(u.input);
        return;
    }
    z_stream *z = c.stream();
    if (!z || deflateReset(z) != Z_OK ||
        (u.dictionary > 0 && deflateSetDictionary(z, u.input.data(), uInt(u.dictionary)) != Z_OK)) {
        p.err = ENOMEM;
        return;
    }
    p.deflated = true;
    p.data.resize(deflateBound(z, uLong(size)) + 64);
    z->next_in = const_cast<unsigned char *>(data);
    z->avail_in = uInt(size);
    z->next_out = p.data.data();
    z->avail_out = uInt(p.data.size());
    // Not the last piece: a sync flush ends it on a byte boundary without ending the stream.
    const int rc = deflate(z, u.last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((u.last && rc != Z_STREAM_END) || (!u.last && rc != Z_OK) || z->avail_in != 0) {
        p.err = ENOMEM;
        return;
    }
    p.data.resize(p.data.size() - z->avail_out);
}

bool Pipeline::take(std::size_t i, std::size_t k, Piece &out, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m);
    Job &job = m_jobs[i];
    auto ready = [&] { return k < job.pieces.size() && job.pieces[k].ready; };
    if (!ready()) {
        m_writerWaiting = true;
        const bool came = m_readyCv.wait_for(lock, timeout, ready);
        m_writerWaiting = false;
        if (!came)
            return false;
    }
    out = std::move(job.pieces[k]);
    job.pieces[k] = Piece{};
    job.pieces[k].ready = true; // taken
    m_inFlight -= std::min(m_inFlight, out.weight);
    if (m_idleWorkers > 0)
        m_workCv.notify_all();
    return true;
}

std::size_t Pipeline::pieceCount(std::size_t i)
{
    std::lock_guard lock(m);
    return m_jobs[i].pieces.size();
}

void Pipeline::finish(std::size_t i)
{
    int fd;
    {
        std::lock_guard lock(m);
        fd = m_jobs[i].fd;
        m_jobs[i].fd = -1;
    }
    if (fd < 0)
        return;
    const Job &job = m_jobs[i];
    noteReadIdentity(m_inputs[i].hostPath.bytes(), job.before, stillSame(fd, job.before));
    ::close(fd);
}

} // namespace qv::zip
