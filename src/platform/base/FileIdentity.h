#pragma once
#include <QByteArray>
#include <cstdint>

struct stat;

namespace qv
{

// What a file is, as far as its archive mark is concerned: any replacement, edit or
// metadata change gives another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;

    static FileIdentity of(const struct stat &st);
    bool operator==(const FileIdentity &) const = default;
};

// What a copy or the zip step read of a file: its identity from the open descriptor
// before the first byte, and whether that identity still held after the last one.
// Clearing the file's archive attribute afterwards records this identity, or leaves
// the attribute set when the file moved while it was read. Thread-safe.
// mode: the file's st_mode as read (0: not known).
void noteReadIdentity(const QByteArray &hostPath, const FileIdentity &before, bool unchangedAfter,
                      unsigned mode = 0);

} // namespace qv

namespace qv
{
// The read noted for hostPath, taken out of the record (nothing when none was noted).
struct NotedRead {
    FileIdentity before;
    bool unchangedAfter = false;
    unsigned mode = 0;
};
bool takeReadIdentity(const QByteArray &hostPath, NotedRead &out);
bool peekReadIdentity(const QByteArray &hostPath, NotedRead &out); // left in the record
// Drops every noted read: a step's reads belong to that step (a file whose mark was
// already clear is never taken out).
void forgetReadIdentities();
// Drops the read noted for hostPath, if it is still there: a copy that goes on to the
// next file has no more use for it.
void forgetReadIdentity(const QByteArray &hostPath);
} // namespace qv
