#pragma once
// POSIX access lists and other extended attributes, read and written as the raw
// attributes the kernel offers (system.posix_acl_access and the rest), so that a
// copy keeps them as `cp -a` does and a place that cannot hold them never gets a
// mode that grants more than the list did.

#include <array>
#include <cstddef>
#include <vector>

namespace qv::acl
{

// mode with its group class narrowed to what the access list (in the raw attribute
// form) grants the owning group: the owning-group entry within the mask, not the
// mask alone, which is what a mode shows for a file with a list.
unsigned narrowedMode(unsigned mode, const char *list, long length);
// The same for an open file (its mode as given): its list read with one call.
unsigned narrowedModeOf(int fd, unsigned mode);
unsigned narrowedModeAt(const char *path, unsigned mode);

// Copies every extended attribute of from onto to (both open). False when the
// access list (or the default list of a folder) could not be kept; other attributes
// the target refuses (a namespace it lacks) are passed over.
bool copyAttributes(int from, int to);

// The attributes of one open file, listed once: most files carry none, and then
// neither the mode nor the copy needs another call.
class Attributes
{
public:
    explicit Attributes(int fd);
    unsigned narrowedMode(unsigned mode) const; // as narrowedModeOf
    bool copyTo(int to) const;                  // as copyAttributes
    Attributes(const Attributes &) = delete;
    Attributes &operator=(const Attributes &) = delete;

private:
    int m_fd;
    // Most lists fit the first buffer; a longer one goes on the heap.
    std::array<char, 256> m_short;
    std::vector<char> m_long;
    const char *m_names = nullptr;
    std::size_t m_size = 0;
    bool m_listed; // false when the names could not be read: each is then asked for
};

} // namespace qv::acl
