#pragma once
// Reads and compresses the files of one archive on worker threads, ahead of the
// thread that writes them, which takes the results in archive order.
//
// A file up to WholeLimit is one piece: read whole by a worker and deflated in one
// call (libdeflate), or stored when that does not make it smaller. A larger file is
// cut into Chunk-sized pieces that workers deflate in parallel (zlib), each primed
// with the 32 KiB before it and ended on a byte boundary, so that the pieces joined
// are one deflate stream. Pieces handed out but not yet taken hold at most about
// Budget bytes of input, whatever the number of workers.
#include "platform/base/FileIdentity.h"
#include "platform/paths/HostPath.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace qv::zip
{

constexpr std::uint64_t WholeLimit = 4 << 20;
constexpr std::uint64_t Chunk = 256 << 10;
constexpr std::uint64_t Budget = 64 << 20;

struct Input {
    HostPath hostPath;
    bool isDir = false;
    std::uint64_t size = 0; // as collected; a file read in pieces is measured again when opened
};

struct Piece {
    bool ready = false;
    bool deflated = false;
    int err = 0;              // the file could not be opened or read: errno
    std::uint64_t length = 0; // input bytes
    std::uint32_t crc = 0;
    std::vector<unsigned char> data;
    std::uint64_t weight = 0;
};

class Pipeline
{
public:
    // level 0 stores, 1 to 9 deflate. workers 0: one per core.
    Pipeline(const std::vector<Input> &inputs, int level, unsigned workers = 0);
    ~Pipeline(); // stops the workers at the end of their current piece

    // Waits up to timeout for piece k of entry i; true when it was ready and is now
    // moved into out. The piece count is known once piece 0 was taken.
    bool take(std::size_t i, std::size_t k, Piece &out, std::chrono::milliseconds timeout);
    std::size_t pieceCount(std::size_t i);
    // Entry i is fully written: a file read in pieces gets its identity compared.
    void finish(std::size_t i);
    void cancel();

private:
    struct Job {
        bool chunked = false;
        int fd = -1;
        FileIdentity before;
        std::uint64_t size = 0;
        std::vector<Piece> pieces;
        std::vector<unsigned char> tail; // the last 32 KiB read, the next piece's dictionary
    };
    struct Unit {
        std::size_t item = 0, piece = 0;
        bool whole = false, last = false;
        int err = 0;
        std::size_t dictionary = 0; // bytes of input that only prime the compressor
        std::vector<unsigned char> input;
    };
    class Compressors;

    bool nextUnit(Unit &u); // m held
    void work();
    void readWhole(const Unit &u, Piece &p, Compressors &c);
    void deflatePiece(Unit &u, Piece &p, Compressors &c);

    const std::vector<Input> &m_inputs;
    const int m_level;
    std::vector<Job> m_jobs;
    std::mutex m;
    std::condition_variable m_workCv, m_readyCv;
    std::size_t m_nextItem = 0, m_nextPiece = 0;
    std::uint64_t m_inFlight = 0;
    bool m_cancel = false;
    bool m_writerWaiting = false;
    unsigned m_idleWorkers = 0;
    std::vector<std::thread> m_threads;
};

} // namespace qv::zip
