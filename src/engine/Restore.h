#pragma once
#include "engine/BackupMal.h"
#include "platform/copy/RestoreFiles.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qv
{

// A moment a template's backup can be brought back to.
struct RestorePoint {
    QDateTime at; // local time; invalid: the newest the backup holds
    QString label;
};

// One file (or folder) of a backup as it was at the chosen time.
struct RestoreFile {
    HostPath rel; // below the source, host names with "/" between them
    bool isDir = false;
    quint64 size = 0;
    qint64 mtimeNs = 0;
    unsigned mode = 0;
    int from = 0;          // index into Restore::sources()
    std::size_t entry = 0; // its entry in that archive
};

// What a restore did.
struct RestoreOutcome {
    int restored = 0;
    QStringList keptBeside;  // "path" -> the earlier file's new name, as "path  (...)"
    QStringList notRestored; // "path: why"
    bool aborted = false;
    QString failure; // set when nothing could be started
    // "Gjenoppretting fullført. ..." with at most maxNames names of files left behind.
    QString message(int maxNames = -1) const;
    int exitStatus() const; // 0, 1 (files left behind) or 2 (aborted or failed)
};

// Brings a template's files back from its copy backup (the mirror "Backup av <mappe>"
// and the earlier versions beside it) or from its zip archives, as they were at a
// chosen time, to where they came from or to another folder.
class Restore
{
public:
    explicit Restore(const BackupMal &m);
    ~Restore();

    const BackupMal &backupTemplate() const { return m_mal; }
    bool fromZip() const;
    QString mirrorFolder() const;   // "<Til>\Backup av <mappe>"
    QString versionsFolder() const; // "<Til>\Eldre versjoner av <mappe>"
    // The times there is a backup for, newest first; the newest has an invalid time.
    std::vector<RestorePoint> points() const;

    // Reads what the backup held at `at` (local; invalid: the newest). False when it
    // holds nothing from then (failure() says why).
    bool load(const QDateTime &at);
    const QString &failure() const { return m_failure; }
    const std::vector<RestoreFile> &files() const { return m_files; }
    // The backups the files come from: the mirror, a version folder, an archive.
    const QStringList &sources() const { return m_sources; }

    // The files below the given paths (relative to the source, "\" or "/" between
    // names; a path under the source folder is taken relative to it): indexes into
    // files(). Paths that match nothing are put in missing.
    std::vector<std::size_t> select(const QStringList &paths, QStringList &missing) const;
    std::vector<std::size_t> all() const;

    // Called before each file with the number done, the total and the file; false
    // stops the restore after the file in hand.
    using Progress = std::function<bool(int done, int total, const QString &rel)>;
    // Restores the chosen files into target (a Windows folder; empty: the source
    // folder), writes the log, and reports. missing: paths asked for but not held.
    RestoreOutcome run(const std::vector<std::size_t> &chosen, const QString &target,
                       const QStringList &missing = {}, const Progress &progress = {});

    // The restore log in the program's data folder.
    static const QString kLogFile;
    // A time as the points show it ("07.12.2026 kl. 17:47").
    static QString timeText(const QDateTime &at);

private:
    void loadCopy(const QDateTime &at);
    void loadZip(const QDateTime &at);
    struct Archive {
        QDateTime at;
        QString path;
    };
    std::vector<Archive> archives() const;                            // newest first
    std::vector<std::pair<QDateTime, QString>> versionStamps() const; // oldest first

    BackupMal m_mal;
    QDateTime m_at;
    QString m_failure;
    QStringList m_sources;
    std::vector<RestoreFile> m_files;
    std::vector<RestoreFile> m_folders; // the stored look of folders, the one that wins last
    std::vector<std::unique_ptr<restore::Archive>> m_open; // per source, for zips
};

} // namespace qv
