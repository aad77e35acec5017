#include "engine/Copier.h"

#include "engine/BackupLabel.h"
#include "engine/Versions.h"
#include "engine/modBackup.h"
#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/base/StopRequest.h"
#include "platform/base/UserDialog.h"
#include "platform/copy/MirrorCopy.h"
#include "platform/copy/VersionStore.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"

namespace qv
{

const QString Copier::kFolderMessage =
    QStringLiteral("Får ikke tilgang til å opprette nødvendige mapper på mottaker-disken.\n"
                   "Sjekk at den finnes og at den ikke er full eller skrivebeskyttet og prøv igjen,\n"
                   "eventuelt kan du prøve å lagre kopiene et annet sted.");
const QString Copier::kDiskFullMessage =
    QStringLiteral("Mottaker-disken er full,\nsett i ny disk og trykk OK om du vil fortsette.");

namespace
{
// Errors after which the engine marks the file as not copied and goes on. A
// vanished folder (76) is the same case as a vanished file.
bool tolerated(int n)
{
    return n == Err::InvalidCall || n == Err::FileNotFound || n == Err::PermissionDenied ||
           n == Err::PathFileAccess || n == Err::PathNotFound || n == Err::IndexOutOfBounds;
}

struct StopCopy {
}; // leave for the finish step

// Why a file beyond the host's path limits is in the not-copied list.
const QString kTooLongNote = QStringLiteral("  (stien eller navnet er for langt)");
} // namespace

void Copier::General_Kopier()
{
    bool feilflagg = false;
    QString reason; // why the file at hand was not copied
    // Runs one step the way the error handler treats it: tolerated errors set the
    // flag and the next step follows; any other error is logged and ends the copy.
    auto handle = [&](const PlatformError &e) {
        if (!tolerated(e.number())) {
            General_LoggFeil(QStringLiteral("frmBackup"), QStringLiteral("General_Kopier"), e.number(),
                             e.description());
            s.noteFailure("Kopieringen stoppet på en uventet feil (feil nr. " + QString::number(e.number()) +
                          ": " + e.description() + ").");
            throw StopCopy{};
        }
        feilflagg = true;
        reason = e.description();
    };
    auto step = [&](auto &&body) {
        try {
            body();
        } catch (const PlatformError &e) {
            handle(e);
        }
    };

    const MarkDestination marksOf(s.Til);
    try {
        dialog().setBusyPointer(true);
        const FoundFiles &found = s.found;
        const int n = found.count();
        // Each file's paths are made when its turn comes: a million of them held at
        // once would cost more than the scan's whole list.
        const auto sourceAt = [&found](qsizetype k) { return found.windowsPath(int(k)); };
        const QString label = backupLabel(s.Fra);
        const QString sourceRoot = WinPath(s.Fra).withTrailingSeparator().text();
        const QString fra = s.Fra, til = s.Til;
        const auto destinationOf = [fra, til, label](const QString &source) {
            return backupDestination(fra, til, label, source);
        };
        s.shbStatus = QStringLiteral("Sikkerhetskopiering pågår...");
        // Folders are made once each, with the source's exact names and access.
        MirrorCopy mirror(sourceRoot, (WinPath(s.Til) / label).withTrailingSeparator().text());
        if (mirror.rootNameTooLong()) {
            msgBox("Navnet på sikkerhetskopien, \"" + label +
                       "\", er lengre enn 255 byte, og så lange navn kan ikke lagres.\n"
                       "Gi kildemappen et kortere navn og prøv igjen.",
                   Buttons::OK, Icon::Critical, QStringLiteral("Kopiering avbrutt"));
            for (int k = 0; k < n; ++k)
                s.noteNotCopied(sourceAt(k), QStringLiteral("Navnet på sikkerhetskopien er for langt."));
            s.Avbrutt = true;
            throw StopCopy{};
        }
        // Earlier versions past their time go before this run adds its own.
        const int days = versionDays();
        const QString versionsFolder = versionsRoot(s.Fra, s.Til);
        const int versionsRemoved = versions::removeOlderThan(versionsFolder, days, now());
        if (days > 0)
            mirror.keepVersionsIn(versionsFolder + versions::stampOf(now()) + '\\');
        const bool readBack = readBackCopies();
        mirror.copyAhead(n, sourceAt, destinationOf,
                         [&found](qsizetype k) { return found.hostPath(int(k)); });
        s.pgr1.MaxValue = n;
        s.pgr1.Value = 0;
        s.pgr1.Visible = true;
        const auto notCopiedFrom = [&](int first, const QString &cause) {
            for (int k = first; k <= n; ++k)
                s.noteNotCopied(sourceAt(k - 1), cause);
            s.Avbrutt = true;
        };
        const auto abortedAfter = [&](int done) {
            s.Avbrutt = true;
            s.currentOutcome().aborted = true;
            s.LoggTekst += "Manuelt avbrutt: \t" + QString::number(done) + " filer ble fullført." + kCrLf;
        };

        for (int i = 1; i <= n; ++i) {
            const QString source = mirror.sourceAt(i - 1);
            const QString destination = mirror.destinationAt(i - 1);
            s.fileInProgress = i;
            dialog().processEvents();
            // A stop from outside the window (a signal) takes nothing more.
            if (stop::requested()) {
                abortedAfter(i - 1);
                throw StopCopy{};
            }
            s.pgr1.Value = i;
            bool ok = false;
            step([&] { ok = mirror.makeFolders(source); });
            if (!ok && mirror.tooLong(source)) {
                s.noteNotCopied(source, QStringLiteral("Stien eller navnet er for langt."), false,
                                kTooLongNote);
                feilflagg = false;
                continue;
            }
            if (!ok) {
                msgBox(kFolderMessage, Buttons::OK, Icon::Critical, QStringLiteral("Kopiering avbrutt"));
                // The run stops short: it must not end as finished, and names what it left.
                notCopiedFrom(i, QStringLiteral("Får ikke opprettet nødvendige mapper på mottaker-disken."));
                feilflagg = true;
                break;
            }
            s.shbStatus =
                "Kopiering pågår, trykk (Esc) for å avbryte. Nå kopieres " + General_FilnavnFraSti(source);
            quint32 attributes = 0;
            step([&] { attributes = mirror.attributes(source).orThrow(); });
            for (bool again = true; again;) {
                again = false;
                try {
                    mirror.copy(source, destination).orThrow();
                } catch (const stop::Stopped &) {
                    abortedAfter(i - 1);
                    throw StopCopy{};
                } catch (const PlatformError &e) {
                    if (e.number() != Err::DiskFull) {
                        handle(e);
                        continue;
                    }
                    // The copy wrote to a temporary name, already removed: the previous
                    // backup of the file is untouched.
                    if (s.unattended ||
                        msgBox(kDiskFullMessage, Buttons::OKCancel, Icon::Exclamation) != Answer::OK) {
                        s.noteFailure(QStringLiteral("Mottaker-disken er full."));
                        notCopiedFrom(i, QStringLiteral("Mottaker-disken er full."));
                        throw StopCopy{};
                    }
                    step([&] { mirror.makeFolders(source); });
                    again = true;
                }
            }
            if (!feilflagg && readBack) {
                bool same = false;
                step([&] { same = mirror.readBackMatches(source).orThrow(); });
                if (!same) {
                    // The mark stays set: the next run takes the file again.
                    s.LoggTekst += "  Kopien stemmer ikke med kilden: " + source + kCrLf;
                    feilflagg = true;
                }
            }
            if (!feilflagg) {
                if (attributes & Attr::Archive) {
                    // A failure: the copy is made; the file only keeps its mark and is
                    // taken again next time. It must not taint the next file.
                    (void)setFileAttributes(source, attributes - Attr::Archive);
                }
                s.noteCopied(source);
            } else {
                feilflagg = false;
                const bool tooLong = mirror.tooLong(source);
                s.noteNotCopied(source, tooLong ? QStringLiteral("Stien eller navnet er for langt.") : reason,
                                false, tooLong ? kTooLongNote : QString());
                reason.clear();
            }
            if (s.EscTrykket) {
                s.EscTrykket = false;
                if (s.stopConfirmed || msgBox(QStringLiteral("Vil du avbryte kopieringen?"), Buttons::YesNo,
                                              Icon::Question) == Answer::Yes) {
                    abortedAfter(i);
                    break;
                }
            }
        }
        s.fileInProgress = 0;
        s.LoggTekst += versionsLogLine(mirror.versionsKept(), versionsRemoved);

        // A copy stopped short is not a run to stamp.
        if (!feilflagg && !s.Avbrutt) {
            const QString stamp = formatRunTime(now());
            step([&] { s.lsv1.row(s.cboMal.listIndex()).SistKjort = stamp; });
            step([&] { t.General_SkrivMalfil(); });
            step([&] { s.txtSistKjort.text = s.lsv1.row(s.cboMal.listIndex()).SistKjort; });
            s.LoggTekst += "Fullført: \t\t" + formatRunTime(now()) + kCrLf;
        }
    } catch (const StopCopy &) {
    }
    flushArchiveMarks();
    s.fileInProgress = 0;
    s.pgr1.Visible = false;
    dialog().setBusyPointer(false);
    s.shbStatus = QStringLiteral("Sikkerhetskopiering fullført. ");
}

} // namespace qv
