#include "platform/base/AccessList.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/xattr.h>
#include <vector>

namespace qv::acl
{

namespace
{

constexpr char kAccessList[] = "system.posix_acl_access";
constexpr char kDefaultList[] = "system.posix_acl_default";

// The kernel's form: a 4-byte version (2), then 8-byte entries of tag, permissions
// and id, little-endian.
constexpr std::uint16_t kGroupObj = 0x04, kMask = 0x10;

std::uint16_t le16(const unsigned char *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

bool listed(const char *names, std::size_t size, const char *name)
{
    for (std::size_t i = 0; i < size; i += std::strlen(names + i) + 1)
        if (std::strcmp(names + i, name) == 0)
            return true;
    return false;
}

std::vector<char> valueOf(int fd, const char *name)
{
    std::vector<char> value(256);
    for (;;) {
        const ssize_t n = ::fgetxattr(fd, name, value.data(), value.size());
        if (n >= 0) {
            value.resize(std::size_t(n));
            return value;
        }
        if (errno != ERANGE)
            return {};
        const ssize_t need = ::fgetxattr(fd, name, nullptr, 0);
        if (need < 0)
            return {};
        value.resize(std::size_t(need) + 64);
    }
}

// A list too long to read leaves the owning group nothing.
unsigned narrowedBy(unsigned mode, const char *list, ssize_t n)
{
    if (n > 0)
        return narrowedMode(mode, list, long(n));
    return n < 0 && errno == ERANGE ? mode & ~070u : mode;
}

} // namespace

unsigned narrowedMode(unsigned mode, const char *list, long length)
{
    const auto *p = reinterpret_cast<const unsigned char *>(list);
    if (length < 4)
        return mode;
    unsigned group = 07, mask = 07;
    for (long at = 4; at + 8 <= length; at += 8) {
        const std::uint16_t tag = le16(p + at), perm = le16(p + at + 2) & 07;
        if (tag == kGroupObj)
            group = perm;
        else if (tag == kMask)
            mask = perm;
    }
    return (mode & ~070u) | ((mode & 070u) & ((group & mask) << 3));
}

unsigned narrowedModeOf(int fd, unsigned mode)
{
    char list[4096];
    return narrowedBy(mode, list, ::fgetxattr(fd, kAccessList, list, sizeof list));
}

unsigned narrowedModeAt(const char *path, unsigned mode)
{
    char list[4096];
    return narrowedBy(mode, list, ::getxattr(path, kAccessList, list, sizeof list));
}

bool copyAttributes(int from, int to)
{
    return Attributes(from).copyTo(to);
}

Attributes::Attributes(int fd) : m_fd(fd), m_listed(false)
{
    ssize_t n = ::flistxattr(fd, m_short.data(), m_short.size());
    if (n >= 0) {
        m_names = m_short.data();
    } else {
        while (n < 0 && errno == ERANGE) {
            const ssize_t need = ::flistxattr(fd, nullptr, 0);
            if (need < 0)
                return;
            m_long.resize(std::size_t(need) + 64);
            n = ::flistxattr(fd, m_long.data(), m_long.size());
        }
        if (n < 0)
            return;
        m_names = m_long.data();
    }
    m_size = std::size_t(n);
    m_listed = true;
}

unsigned Attributes::narrowedMode(unsigned mode) const
{
    // The kernel lists an access list among the names whenever a file has one.
    return m_listed && !listed(m_names, m_size, kAccessList) ? mode : narrowedModeOf(m_fd, mode);
}

bool Attributes::copyTo(int to) const
{
    bool kept = true;
    for (std::size_t i = 0; i < m_size; i += std::strlen(m_names + i) + 1) {
        const char *name = m_names + i;
        const std::vector<char> value = valueOf(m_fd, name);
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0 &&
            (std::strcmp(name, kAccessList) == 0 || std::strcmp(name, kDefaultList) == 0))
            kept = false;
    }
    return kept;
}

} // namespace qv::acl
