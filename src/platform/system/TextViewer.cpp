#include "platform/system/TextViewer.h"

#include "platform/base/PlatformError.h"
#include "platform/paths/DriveTable.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace qv
{

namespace
{

QString viewerProgram()
{
    const QString configured = qEnvironmentVariable("QVBACKUP_TEXT_VIEWER");
    const QString name = configured.isEmpty() ? QStringLiteral("xdg-open") : configured;
    if (name.contains(u'/')) {
        const QFileInfo fi(name);
        return fi.isFile() && fi.isExecutable() ? fi.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

} // namespace

void startTextViewer(const QString &windowsPath)
{
    const QString program = viewerProgram();
    if (program.isEmpty())
        raiseError(Err::FileNotFound);
    const auto mapped = DriveTable::current().toHost(WinPath(windowsPath));
    if (!mapped && !hostCanCarry(windowsPath))
        raiseError(Err::PathNotFound);
    // The viewer is given text, which must name the very file.
    const std::optional<QString> host = mapped ? mapped->forQt() : std::optional<QString>(windowsPath);
    if (!host)
        raiseError(Err::PathNotFound);
    // The program is there but would not run (not a program, no rights...): that is
    // not a missing program.
    if (!QProcess::startDetached(program, {*host}))
        raiseError(Err::PathFileAccess);
}

QString logonName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    if (name.isEmpty()) {
        char buffer[4096];
        passwd entry{};
        passwd *pw = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &pw) == 0 && pw)
            name = QString::fromLocal8Bit(pw->pw_name);
    }
    return name;
}

} // namespace qv
