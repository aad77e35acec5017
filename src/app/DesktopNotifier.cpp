#include "DesktopNotifier.h"

#include "platform/system/SessionBus.h"

#include <QFile>
#include <QFileInfo>

namespace qv
{

bool sessionBusPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // The per-user bus of a systemd session, where the variable is not set.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime + "/bus").exists())
        return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(runtime + "/bus"));
    return true;
}

bool notifyDesktop(const QString &title, const QString &body, std::chrono::milliseconds giveUpAfter)
{
    if (!sessionBusPresent())
        return false;
    sessionbus::Body args;
    args.string("QV Backup");
    args.uint32(0); // replaces no earlier notification
    args.string("qvbackup");
    args.string(title.toUtf8());
    args.string(body.toUtf8());
    args.array(4, [] {}); // no actions
    args.array(8, [&] {
        args.align(8);
        args.string("desktop-entry");
        args.signature("s");
        args.string("no.qvbackup.QvBackup");
    });
    args.uint32(quint32(-1)); // the server's own expiry
    return sessionbus::call(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "org.freedesktop.Notifications",
                            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify",
                            "susssasa{sv}i", args, giveUpAfter);
}

} // namespace qv
