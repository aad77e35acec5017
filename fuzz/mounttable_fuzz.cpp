// /proc/self/mountinfo as the drive table reads it. Property: each mount written back
// in the kernel's escaping reads back as the same mount.
#include "FuzzSupport.h"

#include "platform/paths/DriveTable.h"
#include "platform/paths/MountTable.h"

#include <cstdint>

using namespace qv;

namespace
{
QByteArray escaped(const QByteArray &field)
{
    QByteArray out;
    for (char c : field) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            out += '\\' + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
        else
            out += c;
    }
    return out;
}

// A mount the line format can hold: "-" alone in a field before the separator would
// be taken for the separator itself.
bool representable(const MountInfo &m)
{
    const QByteArray fsType = m.fsType.toUtf8();
    return !fsType.isEmpty() && !fsType.contains(' ') && !fsType.contains('\n') && escaped(m.root) != "-" &&
           escaped(hostPathBytes(m.mountPoint)) != "-";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<MountInfo> mounts = parseMountInfo(input);
    QByteArray text;
    for (const MountInfo &m : mounts) {
        if (hostPathBytes(m.mountPoint).contains('\0') || m.root.contains('\0'))
            qvfuzz::fail("a mount point holds a NUL");
        if (!representable(m))
            continue;
        text += "1 1 " + QByteArray::number(m.major) + ':' + QByteArray::number(m.minor) + ' ' +
                escaped(m.root) + ' ' + escaped(hostPathBytes(m.mountPoint)) + " rw - " + m.fsType.toUtf8() +
                ' ' + escaped(hostPathBytes(m.source)) + " rw\n";
    }
    const std::vector<MountInfo> back = parseMountInfo(text);
    size_t j = 0;
    for (const MountInfo &m : mounts) {
        if (!representable(m))
            continue;
        if (j >= back.size())
            qvfuzz::fail("a mount was lost: " + m.mountPoint);
        const MountInfo &b = back[j++];
        if (b.mountPoint != m.mountPoint || b.source != m.source || b.root != m.root ||
            b.fsType != m.fsType || b.major != m.major || b.minor != m.minor)
            qvfuzz::fail("a mount read back otherwise: " + m.mountPoint);
    }
    return 0;
}
