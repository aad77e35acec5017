#include "engine/Restore.h"
#include "engine/Versions.h"

#include "engine/BackupLabel.h"
#include "engine/modBackup.h"
#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace qv
{

const QString Restore::kLogFile = QStringLiteral("BackupLoggGjenoppretting.txt");

namespace
{
const QString kStampFormat = QStringLiteral("yyyy_MM_dd  'kl_'HHmm");

QDateTime stampTime(const QString &text)
{
    QDateTime t = QDateTime::fromString(text, kStampFormat);
    return t.isValid() && t.toString(kStampFormat) == text ? t : QDateTime();
}

// The last moment of the minute a time names: a file written then was there.
qint64 endOfMinuteNs(const QDateTime &at)
{
    return (at.toMSecsSinceEpoch() / 60000 * 60000 + 59999) * 1000000LL + 999999;
}

QString reason(int number)
{
    switch (number) {
    case Err::FileNotFound:
        return QStringLiteral("finnes ikke i sikkerhetskopien");
    case Err::PathNotFound:
        return QStringLiteral("mappen finnes ikke");
    case Err::PermissionDenied:
        return QStringLiteral("ingen tilgang");
    case Err::DiskFull:
        return QStringLiteral("disken er full");
    case Err::DeviceUnavailable:
        return QStringLiteral("disken er ikke tilgjengelig");
    case Err::PathFileAccess:
        return QStringLiteral("kunne ikke leses eller skrives");
    default:
        return PlatformError::standardDescription(number);
    }
}

QString count(int n, const char *one, const char *many)
{
    return QString::number(n) + ' ' + QString::fromUtf8(n == 1 ? one : many);
}
} // namespace

Restore::Restore(const BackupMal &m) : m_mal(m) {}
Restore::~Restore() = default;

bool Restore::fromZip() const
{
    return flagValue(m_mal.LagZip) && flagValue(m_mal.Endrede);
}

QString Restore::mirrorFolder() const
{
    return (WinPath(m_mal.Til) / backupLabel(m_mal.Fra)).text();
}

QString Restore::versionsFolder() const
{
    QString folder = versionsRoot(m_mal.Fra, m_mal.Til);
    folder.chop(1); // the trailing "\"
    return folder;
}

QString Restore::timeText(const QDateTime &at)
{
    return at.toString(QStringLiteral("dd.MM.yyyy 'kl.' HH:mm"));
}

std::vector<std::pair<QDateTime, QString>> Restore::versionStamps() const
{
    std::vector<std::pair<QDateTime, QString>> out;
    for (const QString &name : restore::subFolders(versionsFolder()))
        if (const QDateTime t = stampTime(name); t.isValid())
            out.emplace_back(t, (WinPath(versionsFolder()) / name).text());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Restore::Archive> Restore::archives() const
{
    std::vector<Archive> out;
    const QString label = backupLabel(m_mal.Fra);
    for (const DirEntry &e : listDirectory(m_mal.Til, label + " *.zip")) {
        if ((e.attributes & Attr::Directory) || !e.name.startsWith(label + ' ') || !e.name.endsWith(u".zip"))
            continue;
        const QDateTime t = stampTime(e.name.mid(label.size() + 1).chopped(4));
        if (t.isValid())
            out.push_back({t, (WinPath(m_mal.Til) / e.name).text()});
    }
    std::sort(out.begin(), out.end(), [](const Archive &a, const Archive &b) { return a.at > b.at; });
    return out;
}

std::vector<RestorePoint> Restore::points() const
{
    std::vector<RestorePoint> out;
    if (fromZip()) {
        for (const Archive &a : archives())
            out.push_back({a.at, "Kjøringen " + timeText(a.at)});
        return out;
    }
    const QString last = m_mal.SistKjort.trimmed();
    out.push_back(
        {QDateTime(), last.isEmpty() ? QStringLiteral("Nyeste") : "Nyeste (sist kjørt " + last + ")"});
    // Each run that replaced files leaves what it replaced: the state just before it.
    const auto stamps = versionStamps();
    for (auto it = stamps.rbegin(); it != stamps.rend(); ++it)
        out.push_back({it->first.addSecs(-60), "Før kjøringen " + timeText(it->first)});
    return out;
}

bool Restore::load(const QDateTime &at)
{
    m_at = at;
    m_failure.clear();
    m_sources.clear();
    m_files.clear();
    m_folders.clear();
    m_open.clear();
    try {
        if (fromZip())
            loadZip(at);
        else
            loadCopy(at);
    } catch (const PlatformError &e) {
        m_failure = "Kan ikke lese sikkerhetskopien " + m_sources.value(m_sources.size() - 1) + ": " +
                    reason(e.number()) + ".";
        m_files.clear();
        return false;
    }
    std::sort(m_files.begin(), m_files.end(),
              [](const RestoreFile &a, const RestoreFile &b) { return a.rel.bytes() < b.rel.bytes(); });
    if (m_files.empty() && m_failure.isEmpty()) {
        m_failure = "Finner ingen sikkerhetskopi av «" + m_mal.Malnavn + "» i " + m_mal.Til;
        m_failure += at.isValid() ? " fra " + timeText(at) + " eller tidligere." : QStringLiteral(".");
    }
    return m_failure.isEmpty();
}

void Restore::loadCopy(const QDateTime &at)
{
    // Each path is taken from the first version replaced after the time; a path no
    // later run replaced is as the mirror holds it. A file written after the time
    // was not there yet.
    const qint64 limit = at.isValid() ? endOfMinuteNs(at) : std::numeric_limits<qint64>::max();
    QHash<QByteArray, bool> decided;
    std::vector<std::pair<QString, std::vector<restore::StoredFile>>> trees;
    for (const auto &[stamp, folder] : versionStamps())
        if (at.isValid() && stamp > at)
            trees.emplace_back(folder, restore::listTree(folder));
    trees.emplace_back(mirrorFolder(), restore::listTree(mirrorFolder()));
    for (auto &[folder, tree] : trees) {
        const int from = int(m_sources.size());
        m_sources << folder;
        for (const restore::StoredFile &f : tree) {
            const RestoreFile r{f.rel, f.isDir, f.size, f.mtimeNs, f.mode, from};
            if (f.isDir) {
                m_folders.push_back(r);
                continue;
            }
            if (decided.contains(f.rel.bytes()))
                continue;
            decided.insert(f.rel.bytes(), true);
            if (f.mtimeNs <= limit)
                m_files.push_back(r);
        }
    }
}

void Restore::loadZip(const QDateTime &at)
{
    std::vector<Archive> list = archives();
    if (at.isValid())
        std::erase_if(list, [&](const Archive &a) { return a.at > at; });
    // A zip run packs new and changed files only: a file not in the newest archive
    // is as the newest older one that holds it has it.
    QHash<QByteArray, bool> taken;
    std::vector<RestoreFile> folders;
    for (const Archive &a : list) {
        m_sources << a.path;
        m_open.push_back(std::make_unique<restore::Archive>(a.path, m_mal.Fra));
        const int from = int(m_sources.size() - 1);
        const auto &entries = m_open.back()->files();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const restore::StoredFile &f = entries[i];
            const RestoreFile r{f.rel, f.isDir, f.size, f.mtimeNs, f.mode, from, i};
            if (f.isDir) {
                folders.insert(folders.begin(), r); // older archives first
                continue;
            }
            if (taken.contains(f.rel.bytes()))
                continue;
            taken.insert(f.rel.bytes(), true);
            m_files.push_back(r);
        }
    }
    m_folders = std::move(folders);
}

std::vector<std::size_t> Restore::all() const
{
    std::vector<std::size_t> out(m_files.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = i;
    return out;
}

std::vector<std::size_t> Restore::select(const QStringList &paths, QStringList &missing) const
{
    std::vector<std::size_t> out;
    std::vector<bool> chosen(m_files.size(), false);
    const WinPath source = WinPath(m_mal.Fra).withTrailingSeparator();
    for (const QString &given : paths) {
        QString p = given;
        if (WinPath(p).startsWith(source))
            p = WinPath(p).relativeTo(source);
        QStringList forms{p};
        if (p.contains(u'\\'))
            forms << QString(p).replace(u'\\', u'/');
        bool found = false;
        for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            for (QString form : forms) {
                while (form.startsWith(u'/'))
                    form.remove(0, 1);
                while (form.endsWith(u'/'))
                    form.chop(1);
                for (std::size_t i = 0; i < m_files.size(); ++i) {
                    const QString &rel = m_files[i].rel.text();
                    const bool match =
                        form.isEmpty() || rel.compare(form, cs) == 0 ||
                        (rel.size() > form.size() && rel.at(form.size()) == u'/' && rel.startsWith(form, cs));
                    if (!match)
                        continue;
                    found = true;
                    if (!chosen[i]) {
                        chosen[i] = true;
                        out.push_back(i);
                    }
                }
                if (found)
                    break;
            }
            if (found)
                break;
        }
        if (!found)
            missing << given;
    }
    std::sort(out.begin(), out.end());
    return out;
}

RestoreOutcome Restore::run(const std::vector<std::size_t> &chosen, const QString &target,
                            const QStringList &missing, const Progress &progress)
{
    RestoreOutcome o;
    const QString root = target.isEmpty() ? m_mal.Fra : target;
    const auto shown = [&](const QString &rel) {
        return (WinPath(root) / QString(rel).replace(u'/', u'\\')).text();
    };
    QString log = "Gjenoppretting fra mal: \t" + m_mal.Malnavn + kCrLf;
    log += "Tidspunkt: \t\t" + (m_at.isValid() ? timeText(m_at) : QStringLiteral("Nyeste")) + kCrLf;
    log += "Hentet fra: \t\t" + m_sources.join(", ") + kCrLf;
    log += "Gjenopprettet til: \t" + root + kCrLf;
    log += "Antall filer: \t\t" + QString::number(chosen.size()) + kCrLf;
    log += "Startet: \t\t" + formatRunTime(now()) + kCrLf;
    for (const QString &m : missing)
        o.notRestored << m + ": finnes ikke i sikkerhetskopien";

    std::unique_ptr<restore::Target> to;
    try {
        to = std::make_unique<restore::Target>(root);
        for (const RestoreFile &f : m_folders)
            to->noteFolder({f.rel, true, 0, f.mtimeNs, f.mode});
    } catch (const PlatformError &e) {
        o.failure = "Kommer ikke til " + root + ": " + reason(e.number()) + ".";
    }
    int done = 0;
    for (std::size_t k = 0; to && k < chosen.size(); ++k) {
        const RestoreFile &f = m_files.at(chosen[k]);
        if (progress && !progress(done, int(chosen.size()), f.rel.text())) {
            o.aborted = true;
            log += "Manuelt avbrutt: \t" + QString::number(done) + " filer ble fullført." + kCrLf;
            break;
        }
        const Result<restore::PlaceResult> placed = fromZip()
                                                        ? m_open.at(size_t(f.from))->extract(f.entry, *to)
                                                        : to->copyFrom(m_sources.at(f.from), f.rel);
        ++done;
        if (!placed) {
            o.notRestored << shown(f.rel.text()) + ": " + reason(placed.error().number);
            continue;
        }
        const restore::PlaceResult &r = placed.value();
        ++o.restored;
        QString line = "  " + shown(f.rel.text());
        if (r.how == restore::Placed::KeptBeside) {
            o.keptBeside << shown(f.rel.text()) + "  (den som lå der, heter nå «" + r.keptAs + "»)";
            line += "  (den som lå der, heter nå «" + r.keptAs + "»)";
        }
        log += line + kCrLf;
    }
    if (to)
        to->finish();
    if (!o.failure.isEmpty())
        log += o.failure + kCrLf;
    else if (!o.aborted)
        log += "Fullført: \t\t" + formatRunTime(now()) + kCrLf;
    if (!o.notRestored.isEmpty()) {
        const QString hyphens(49, '-');
        log += hyphens + kCrLf + "Filer som ikke ble gjenopprettet." + kCrLf + hyphens + kCrLf +
               o.notRestored.join(kCrLf) + kCrLf;
    }
    log += QString(49, '*') + kCrLf + kCrLf;
    // The files are back; a log that cannot be written is only the log missing.
    (void)writeTextFile(programFile(kLogFile), log);
    return o;
}

QString RestoreOutcome::message(int maxNames) const
{
    if (!failure.isEmpty())
        return failure;
    QString m = aborted ? QStringLiteral("Gjenoppretting avbrutt.")
                : notRestored.isEmpty()
                    ? QStringLiteral("Gjenoppretting fullført.")
                    : QStringLiteral("Gjenoppretting fullført, men noen filer ble ikke hentet tilbake.");
    m += '\n' + count(restored, "fil ble hentet tilbake.", "filer ble hentet tilbake.");
    if (!keptBeside.isEmpty())
        m += '\n' +
             count(int(keptBeside.size()), "fil som lå der fra før, var annerledes",
                   "filer som lå der fra før, var annerledes") +
             " og er tatt vare på med «(før gjenoppretting)» bak navnet.";
    if (!notRestored.isEmpty()) {
        m += "\nIkke hentet tilbake (" + QString::number(notRestored.size()) + "):";
        const qsizetype shown =
            maxNames < 0 ? notRestored.size() : std::min<qsizetype>(maxNames, notRestored.size());
        for (qsizetype i = 0; i < shown; ++i)
            m += "\n  " + notRestored.at(i);
        if (shown < notRestored.size())
            m += "\n  ... og " + QString::number(notRestored.size() - shown) + " til (se loggen).";
    }
    return m;
}

int RestoreOutcome::exitStatus() const
{
    if (!failure.isEmpty() || aborted)
        return 2;
    return notRestored.isEmpty() ? 0 : 1;
}

} // namespace qv
