#include "RestoreCommand.h"

#include "UnattendedRun.h"
#include "engine/BackupEngine.h"
#include "engine/Restore.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/system/InstanceLock.h"

#include <QDir>
#include <QRegularExpression>

namespace qv
{

namespace
{
// A Windows path as it stands; a host path ("/home/...", "kopi") through the drive table.
std::optional<QString> targetFolder(const QString &given)
{
    static const QRegularExpression drivePath(QStringLiteral("^[A-Za-z]:(\\\\|$)"));
    if (drivePath.match(given).hasMatch())
        return given;
    const auto folder = DriveTable::current().toWindows(
        HostPath::fromText(QDir::cleanPath(QDir::current().absoluteFilePath(given))));
    return folder ? std::optional<QString>(folder->text()) : std::nullopt;
}
} // namespace

int runRestore(const CommandLine &c, QTextStream &out, QTextStream &err)
{
    InstanceLock lock;
    if (lock.acquire() == InstanceLock::Result::HeldByOther) {
        err << alreadyRunningMessage(lock.holderPid()) << "\n";
        return ExitAlreadyRunning;
    }
    UnattendedDialog dialogue(out, err);
    const DialogInUse inUse(dialogue);
    BackupEngine engine;
    engine.actions.startUp();
    const BackupMal *row = templateNamed(engine.state.lsv1.rows(), c.templateName);
    if (!row) {
        err << "Finner ingen mal med navnet «" << c.templateName << "».\n";
        return ExitBadArguments;
    }
    QString target;
    if (!c.restoreTo.isEmpty()) {
        const auto folder = targetFolder(c.restoreTo);
        if (!folder) {
            err << "Mappen " << c.restoreTo << " ligger ikke på noen stasjon programmet kjenner.\n";
            return ExitBadArguments;
        }
        target = *folder;
    }

    Restore restore(*row);
    if (!restore.load(c.restoreFrom)) {
        err << restore.failure() << "\n";
        return ExitFailed;
    }
    QStringList missing;
    const std::vector<std::size_t> chosen =
        c.restorePaths.isEmpty() ? restore.all() : restore.select(c.restorePaths, missing);
    out << "Gjenoppretter «" << row->Malnavn << "» ("
        << (c.restoreFrom.isValid() ? Restore::timeText(c.restoreFrom) : QStringLiteral("nyeste")) << ") til "
        << (target.isEmpty() ? row->Fra : target) << ": " << chosen.size() << " fil(er).\n";
    out.flush();
    int lastTenth = 0;
    const RestoreOutcome o = restore.run(chosen, target, missing, [&](int done, int total, const QString &) {
        if (UnattendedDialog::stopRequested())
            return false;
        const int tenth = total > 0 ? int(qint64(done) * 10 / total) : 0;
        if (tenth > lastTenth) {
            lastTenth = tenth;
            out << "  fil " << done << " av " << total << " (" << qint64(done) * 100 / total << " %)\n";
            out.flush();
        }
        return true;
    });
    (o.exitStatus() == ExitFinished ? out : err) << o.message() << "\n";
    if (const Result<HostPath> log = hostfs::hostOf(programFile(Restore::kLogFile)))
        out << "Loggen ligger i " << log.value().text() << "\n";
    return o.exitStatus();
}

} // namespace qv
