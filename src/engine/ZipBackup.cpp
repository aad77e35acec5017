#include "engine/ZipBackup.h"

#include "engine/BackupLabel.h"
#include "engine/Versions.h"
#include "engine/modBackup.h"
#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/base/StopRequest.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/zip/ZipLibrary.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include <cstring>

namespace qv
{

ZipBackup *ZipBackup::s_active = nullptr;

const QString ZipBackup::kFolderMessage =
    QStringLiteral("Får ikke tilgang til å opprette nødvendig mappe på mottaker-disken.\n"
                   "Sjekk at den finnes og at den ikke er full eller skrivebeskyttet og prøv igjen,\n"
                   "eventuelt kan du prøve å lagre zipfilen et annet sted.");

namespace
{
struct StepFailed {
};
} // namespace

QString ZipBackup::archiveName(const QString &fra, const QString &til, const QDateTime &local)
{
    return WinPath(til).withTrailingSeparator().text() + backupLabel(fra) +
           local.toString(QStringLiteral(" yyyy_MM_dd  'kl_'HHmm")) + ".zip";
}

bool ZipBackup::General_ZipBackup()
{
    // cause: what failed, for the user; empty when the user stopped the step.
    auto fail = [&](const QString &cause) {
        s.pgr1.Visible = false;
        dialog().setBusyPointer(false);
        if (cause.isEmpty()) {
            s.shbStatus = QStringLiteral("Sikkerhetskopiering til zip-fil avbrutt.");
        } else {
            s.noteFailure(cause);
            s.shbStatus = QStringLiteral("Sikkerhetskopiering til zip-fil feilet.");
        }
        return false;
    };
    // The marks cleared are committed however the step ends: a transaction left open
    // would hold the catalog's write lock from every other run while the window waits.
    const MarkDestination marksOf(s.Til);
    const auto commitMarks = qScopeGuard([] { flushArchiveMarks(); });
    // An Esc answered earlier (a copy template's "No" in an all-templates run)
    // belongs to that step, not to this one.
    s.ZipAvbryt = 0;
    const QDateTime started = QDateTime::currentDateTimeUtc();
    try {
        if (!General_MappeFinnes(s.Til) && !General_LagMappe(s.Til)) {
            msgBox(kFolderMessage, Buttons::OK, Icon::Critical, QStringLiteral("Kopiering avbrutt"));
            return fail("Får ikke opprettet mappen " + s.Til + ".");
        }
        const FoundFiles &found = s.found;
        const int n = found.count();
        dialog().setBusyPointer(true);
        s.pgr1.MaxValue = n;
        s.pgr1.Value = 0;
        s.pgr1.Visible = true;
        const QString name = archiveName(s.Fra, s.Til, now());
        if (General_FilFinnes(name)) {
            msgBox(QStringLiteral("Filen finnes fra før."), Buttons::OK, Icon::Exclamation);
            return fail("Zip-filen " + name + " finnes fra før.");
        }
        removeStaleTemporaries(started);
        m_archive = hostPathBytes(name);
        ZipFilnavn.clear();
        ZipFilnavn.reserve(size_t(n));
        WholePercent percent(n);
        for (int i = 1; i <= n; ++i) {
            // UTF-8, with the bytes of names that are not valid UTF-8 kept as they are.
            ZipFilnavn.push_back(hostPathBytes(found.windowsPath(i - 1)));
            if (percent.advance(i))
                s.shbStatus = "Klargjør kildebuffer. " + percent.text();
        }
        const short result = ZipArkiver();
        // Files gone, changed into something else or unreadable when their turn came
        // are not in the archive: listed as not copied, and their marks stay.
        QSet<QByteArray> skipped;
        for (int i = 0; i < ZpSkippedCount(); ++i)
            skipped.insert(QByteArray(ZpSkippedName(i)));
        auto notPacked = [&](int i, const QString &file, quint32 &attributes) {
            if (skipped.contains(ZipFilnavn[size_t(i - 1)]))
                return true;
            // Packed, gone since: logged, nothing to mark.
            attributes = fileAttributes(file).value_or(Attr::Archive);
            return false; // packed as it was when read, even if a folder holds the name now
        };
        if (result == ZpOk) {
            for (int i = 1; i <= n; ++i) {
                const QString file = found.windowsPath(i - 1);
                quint32 attributes = 0;
                if (notPacked(i, file, attributes)) {
                    s.noteNotCopied(file, QStringLiteral("Filen kunne ikke leses da den skulle pakkes."));
                    continue;
                }
                if (attributes & (Attr::Archive | Attr::Directory)) {
                    // A failure leaves the packed file its mark: it is taken again next time.
                    if (attributes & Attr::Archive)
                        (void)setFileAttributes(file, attributes - Attr::Archive);
                    s.noteCopied(file);
                }
            }
            const int removed =
                removeOldArchives(s.Fra, s.Til, archivesKept(s.lsv1.row(s.cboMal.listIndex()).Malnavn));
            if (removed > 0)
                s.LoggTekst += "Eldre zip-filer fjernet: \t" + QString::number(removed) + kCrLf;
            const QString stamp = formatRunTime(now());
            s.lsv1.row(s.cboMal.listIndex()).SistKjort = stamp;
            t.General_SkrivMalfil();
            s.txtSistKjort.text = stamp;
            s.LoggTekst += "Fullført: \t\t" + formatRunTime(now()) + kCrLf;
            s.pgr1.Visible = false;
            dialog().setBusyPointer(false);
            s.shbStatus = QStringLiteral("Sikkerhetskopiering til zip-fil fullført.");
            return true;
        }
        if (result == ZpAborted && (s.ZipAvbryt == 1 || stop::requested())) {
            s.ZipAvbryt = 0;
            s.currentOutcome().aborted = true;
            s.LoggTekst += QStringLiteral("Backup ble manuelt avbrutt, ingen zip-fil ble opprettet.") + kCrLf;
            return fail({});
        }
        if (result == ZpNothingToDo) {
            for (int i = 1; i <= n; ++i)
                if (skipped.contains(ZipFilnavn[size_t(i - 1)]))
                    s.noteNotCopied(found.windowsPath(i - 1),
                                    QStringLiteral("Filen kunne ikke leses da den skulle pakkes."));
            msgBox(QStringLiteral("Fant ingen filer å pakke."), Buttons::OK, Icon::Exclamation);
            return fail(QStringLiteral("Fant ingen filer å pakke."));
        }
        msgBox("Fikk ikke laget zip-fil da det oppstod en uventet feil!\nFeil nr. " + QString::number(result),
               Buttons::OK, Icon::Critical);
        const int host = result == ZpCreateError ? ZpLastSystemError() : 0;
        return fail(host ? "Zip-filen kunne ikke lages: " + hostErrorText(host) + "."
                         : "Zip-filen kunne ikke lages (feil nr. " + QString::number(result) + ").");
    } catch (const PlatformError &e) {
        // Ends the step as failed, without a message box and without an error record.
        return fail("Zip-filen kunne ikke lages (feil nr. " + QString::number(e.number()) + ": " +
                    e.description() + ").");
    }
}

void ZipBackup::removeStaleTemporaries(const QDateTime &startedUtc)
{
    // A run killed while packing leaves "<archive>.zip.XXXXXX" behind. Only names of
    // this template's archives, and only files older than this step, whose writer is
    // gone: a run still writing one keeps touching it.
    const WinPath folder = WinPath(s.Til).withTrailingSeparator();
    const QString label = backupLabel(s.Fra);
    static const QRegularExpression tail(
        QStringLiteral("^ \\d{4}_\\d{2}_\\d{2}  kl_\\d{4}\\.zip\\.[A-Za-z0-9]{6}$"));
    for (const DirEntry &e : listDirectory(folder.text(), label + " *.zip.??????")) {
        if ((e.attributes & Attr::Directory) || !e.name.startsWith(label) ||
            !tail.match(QStringView(e.name).mid(label.size())).hasMatch() || !(e.lastWriteUtc < startedUtc))
            continue;
        // One that is not ours to remove after all stays; the archive is made regardless.
        (void)deleteFile((folder / e.name).text());
    }
}

short ZipBackup::ZipArkiver()
{
    ZipTeller = 0;
    m_statusShown.invalidate();
    s_active = this;
    const ZipUserFunctions callbacks{&ZipPrint, &ZipKommentar, &ZipPassord, &ZipService};
    ZpInit(&callbacks);
    ZipOptions options{};
    options.date = "";
    options.rootFolder = "";
    options.tempFolder = "";
    options.values[ZipOptionSystemAndHidden] = 1;
    options.values[ZipOptionRecurse] = 1;
    options.level = '5';
    ZpSetOptions(&options);
    std::vector<const char *> names;
    names.reserve(ZipFilnavn.size());
    for (const QByteArray &n : ZipFilnavn)
        names.push_back(n.constData());
    // Each file is packed from where the scan found it, not looked up again.
    struct FoundHosts {
        const FoundFiles &found;
        QByteArray current;
    } hosts{s.found, {}};
    const ZipHostNameOf hostNameOf = [](int i, void *context) -> const char * {
        auto &h = *static_cast<FoundHosts *>(context);
        h.current = h.found.hostPath(i);
        return h.current.constData();
    };
    const bool fromScan = int(names.size()) == s.found.count();
    const int result = ZpArchiveFound(int(names.size()), m_archive.constData(), names.data(),
                                      fromScan ? hostNameOf : nullptr, &hosts);
    s_active = nullptr;
    s.fileInProgress = 0;
    return short(result);
}

int ZipBackup::ZipPrint(const char *text, unsigned long length)
{
    ZipBackup *z = s_active;
    if (!z)
        return 0;
    const QString message = QString::fromUtf8(text, qsizetype(strnlen(text, length)));
    if (message.contains(QStringLiteral(" adding:"), Qt::CaseInsensitive)) {
        RunState &s = z->s;
        // Shortening a path to the status width is text layout: with thousands of
        // small files a second it would cost more than packing them, and the window
        // shows the status only some 30 times a second anyway.
        if (!z->m_statusShown.isValid() || z->m_statusShown.elapsed() >= 30) {
            z->m_statusShown.start();
            s.shbStatus = "Legger til i zip: " + s.shortPath(PathFields::StatusLine, message.mid(10));
        }
        ++z->ZipTeller;
        s.pgr1.Value = z->ZipTeller;
        s.fileInProgress = z->ZipTeller;
    }
    dialog().processEvents();
    return 0;
}

// Asked between blocks of every file: letting pending input through here is what
// makes Esc stop a large file, not only the next one.
int ZipBackup::ZipService(const char *, unsigned long)
{
    if (!s_active)
        return 0;
    dialog().processEvents();
    return s_active->s.ZipAvbryt == 1 || stop::requested() ? 1 : 0;
}

int ZipBackup::ZipPassord(char *buffer, int size, const char *, const char *)
{
    const QByteArray answer =
        dialog()
            .prompt(QStringLiteral("Vennligst tast inn passordet du vil bruke!"), kAppTitle, QString())
            .toLatin1();
    if (answer.isEmpty() || size <= 0)
        return 1;
    std::memset(buffer, 0, size_t(size));
    std::memcpy(buffer, answer.constData(), size_t(std::min<qsizetype>(answer.size(), size - 1)));
    return 0;
}

int ZipBackup::ZipKommentar(char *)
{
    return 1; // the comment text is always empty
}

} // namespace qv
