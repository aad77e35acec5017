#include "engine/Verify.h"

#include "engine/BackupLabel.h"
#include "engine/Exclusions.h"
#include "engine/Versions.h"
#include "engine/modBackup.h"
#include "platform/copy/VerifyBackup.h"
#include "platform/paths/WinPath.h"

namespace qv
{

namespace
{
QString findingText(const verify::Finding &f, const QString &fra, const QString &backup)
{
    QString path = f.relative.isEmpty() ? backup : (WinPath(fra) / verify::relativeText(f.relative)).text();
    switch (f.kind) {
    case verify::Finding::Missing:
        return "Mangler i backupen: " + path;
    case verify::Finding::Size:
        return "Annen størrelse: " + path + " (kilden " + QString::number(f.sourceSize) + " byte, backupen " +
               QString::number(f.backupSize) + " byte)";
    case verify::Finding::Content:
        return "Annet innhold: " + path;
    case verify::Finding::Time:
        return "Annet endringstidspunkt: " + path;
    case verify::Finding::BackupUnreadable:
        return "Kan ikke lese backupen: " + path;
    case verify::Finding::SourceUnreadable:
        return "Kan ikke lese kilden: " + path;
    }
    return path;
}
} // namespace

VerifyResult verifyTemplate(const BackupMal &m, const QStringList &exclusions)
{
    VerifyResult r;
    const QStringList excluded = Exclusions::lowerCased(exclusions);
    const verify::Wanted wanted = [&](const QString &name) {
        return !Exclusions::isExcluded(General_FinnFilendelsen(name), excluded);
    };
    const bool recursive = flagValue(m.Underkat);
    QString backup;
    verify::Report report;
    if (flagValue(m.LagZip)) {
        const QStringList archives = archivesOf(m.Fra, m.Til);
        if (archives.isEmpty()) {
            r.status = 2;
            r.lines << "Fant ingen zip-fil for malen i " + m.Til;
            return r;
        }
        backup = archives.last();
        report = verify::compareArchive(backup, m.Fra);
    } else {
        backup = (WinPath(m.Til) / backupLabel(m.Fra)).withTrailingSeparator().text();
        report = verify::compareMirror(m.Fra, backup, recursive, wanted);
    }
    r.lines << "Sammenligner " + backup + " med " + m.Fra;
    for (const verify::Finding &f : report.findings)
        r.lines << findingText(f, m.Fra, backup);
    r.lines << QString::number(report.compared) + " fil(er) sammenlignet, " +
                   QString::number(report.findings.size()) + " avvik.";
    r.status = report.unreadable ? 2 : report.findings.empty() ? 0 : 1;
    return r;
}

} // namespace qv
