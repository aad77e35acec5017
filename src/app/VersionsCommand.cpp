#include "VersionsCommand.h"

#include "UnattendedRun.h"
#include "engine/BackupEngine.h"
#include "engine/Verify.h"
#include "engine/Versions.h"
#include "engine/modBackup.h"

namespace qv
{

int runVerify(const CommandLine &c, QTextStream &out, QTextStream &err)
{
    UnattendedDialog dialogue(out, err);
    const DialogInUse inUse(dialogue);
    BackupEngine engine;
    engine.actions.startUp();
    const BackupMal *found = templateNamed(engine.state.lsv1.rows(), c.templateName);
    if (!found) {
        err << "Finner ingen mal med navnet «" << c.templateName << "» i " << General_FinnDatamappe()
            << ".\n";
        return ExitBadArguments;
    }
    const VerifyResult r = verifyTemplate(*found, engine.state.UtelatListe);
    for (const QString &line : r.lines)
        out << line << "\n";
    out.flush();
    return r.status;
}

void applySettings(const CommandLine &c, QTextStream &out)
{
    if (c.keepVersions >= 0)
        setVersionDays(c.keepVersions);
    if (c.readBack >= 0)
        setReadBackCopies(c.readBack == 1);
    if (c.keepArchives >= 0)
        setArchivesKept(c.templateName, c.keepArchives);
    if (c.action != CommandLine::Action::Settings)
        return;
    const int days = versionDays();
    out << (days > 0 ? "Eldre versjoner beholdes i " + QString::number(days) + " dager.\n"
                     : QStringLiteral("Eldre versjoner beholdes ikke.\n"));
    out << (readBackCopies() ? "Kopiene leses tilbake og sammenlignes.\n" : "Kopiene leses ikke tilbake.\n");
    out.flush();
}

} // namespace qv
