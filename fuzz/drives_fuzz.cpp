// The QVBACKUP_DRIVES variable ("C=/srv/c;D=/media/usb:2:USB;X=/net:4::\\server\share"),
// and Windows paths through a table. Properties: a table written back in the
// variable's syntax parses to the same table; a path either reaches a host path
// inside its drive with every character kept, or is refused.
#include "FuzzSupport.h"

#include "platform/paths/DriveTable.h"

#include <QStringList>
#include <cstdint>

using namespace qv;

namespace
{
QString written(const DriveTable &t)
{
    QStringList items;
    for (const Drive &d : t.drives())
        items << QString(d.letter) + u'=' + d.hostDir.text() + u':' + QString::number(int(d.type)) + u':' +
                     d.label + (d.share.isEmpty() ? QString() : u':' + d.share);
    return items.join(u';');
}

bool same(const Drive &a, const Drive &b)
{
    return a.letter == b.letter && a.hostDir == b.hostDir && a.type == b.type && a.label == b.label &&
           a.share == b.share;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    const qvfuzz::Sandbox &box = qvfuzz::sandbox();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const DriveTable t = DriveTable::parse(hostPathFromBytes(input));
    for (const Drive &d : t.drives())
        if (d.letter < u'A' || d.letter > u'Z' || d.hostDir.isEmpty())
            qvfuzz::fail(QStringLiteral("drive ") + d.letter + " at \"" + d.hostDir.text() + "\"");
    const DriveTable back = DriveTable::parse(written(t));
    if (back.drives().size() != t.drives().size())
        qvfuzz::fail("the table read back with another number of drives: " + written(t));
    for (size_t i = 0; i < t.drives().size(); ++i)
        if (!same(t.drives()[i], back.drives()[i]))
            qvfuzz::fail("drive " + QString(t.drives()[i].letter) + " read back otherwise: " + written(t));

    // The input as a path on a drive that exists.
    Drive c;
    c.letter = u'C';
    c.hostDir = HostPath::fromText(box.root + "/c");
    const DriveTable real = DriveTable::fromDrives({c});
    const QString path = "C:\\" + hostPathFromBytes(input);
    if (const auto host = real.toHost(WinPath(path))) {
        if (host->bytes().contains('\0') || !hostCanCarry(host->text()))
            qvfuzz::fail("a host path was cut short");
        if (!host->text().startsWith(c.hostDir.text()))
            qvfuzz::fail("a path left its drive: " + host->text());
    } else if (hostCanCarry(path)) {
        qvfuzz::fail("a path every host can hold was refused");
    }
    return 0;
}
