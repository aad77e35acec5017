#include "engine/ZipBackup.h"

#include "engine/BackupLabel.h"
#include "engine/modBackup.h"
#include "platform/Clock.h"
#include "platform/DriveTable.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/PlatformError.h"
#include "platform/UserDialog.h"
#include "platform/ZipLibrary.h"

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
    const QString folder = til.endsWith('\\') ? til : til + '\\';
    return folder + backupLabel(fra) + local.toString(QStringLiteral(" yyyy_MM_dd  'kl_'HHmm")) + ".zip";
}

bool ZipBackup::General_ZipBackup()
{
    auto fail = [&] {
        s.pgr1.Visible = false;
        dialog().setBusyPointer(false);
        s.shbStatus = QStringLiteral("Sikkerhetskopiering til zip-fil avbrutt.");
        return false;
    };
    try {
        if (!General_MappeFinnes(s.Til) && !General_LagMappe(s.Til)) {
            msgBox(kFolderMessage, Buttons::OK, Icon::Critical, QStringLiteral("Kopiering avbrutt"));
            return fail();
        }
        const int n = s.lvw1().GetCount();
        dialog().setBusyPointer(true);
        s.pgr1.MaxValue = n;
        s.pgr1.Value = 0;
        s.pgr1.Visible = true;
        const QString name = archiveName(s.Fra, s.Til, now());
        if (General_FilFinnes(name)) {
            msgBox(QStringLiteral("Filen finnes fra før."), Buttons::OK, Icon::Exclamation);
            return fail();
        }
        m_archive = hostPathBytes(name);
        ZipFilnavn.clear();
        ZipFilnavn.reserve(size_t(n));
        for (int i = 1; i <= n; ++i) {
            // UTF-8, with the bytes of names that are not valid UTF-8 kept as they are.
            ZipFilnavn.push_back(hostPathBytes(s.lvw1().GetFile(i)));
            s.shbStatus = "Klargjør kildebuffer. " + General_Prosent(i, n, false);
        }
        const short result = ZipArkiver();
        if (result == ZpOk) {
            for (int i = 1; i <= n; ++i) {
                const QString file = s.lvw1().GetFile(i);
                const quint32 attributes = fileAttributes(file);
                if (attributes & Attr::Archive) {
                    setFileAttributes(file, attributes - Attr::Archive);
                    s.LoggTekst += "  " + file + kCrLf;
                }
            }
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
        if (result == ZpAborted) {
            if (s.ZipAvbryt == 1) {
                s.ZipAvbryt = 0;
                s.LoggTekst +=
                    QStringLiteral("Backup ble manuelt avbrutt, ingen zip-fil ble opprettet.") + kCrLf;
            }
        } else if (result == ZpNothingToDo) {
            msgBox(QStringLiteral("Fant ingen filer å pakke."), Buttons::OK, Icon::Exclamation);
        } else {
            msgBox("Fikk ikke laget zip-fil da det oppstod en uventet feil!\nFeil nr. " +
                       QString::number(result),
                   Buttons::OK, Icon::Critical);
        }
    } catch (const PlatformError &) {
        // Ends the step as failed, without a message and without an error record.
    }
    return fail();
}

short ZipBackup::ZipArkiver()
{
    ZipTeller = 0;
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
    const int result = ZpArchive(int(names.size()), m_archive.constData(), names.data());
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
        s.shbStatus = "Legger til i zip: " + General_KortSti(s.pathFont, message.mid(10), s.innerWidth - 10);
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
    return s_active->s.ZipAvbryt == 1 ? 1 : 0;
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
