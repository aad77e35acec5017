#include "platform/marks/ArchiveMarks.h"

#include "platform/base/Durable.h"
#include "platform/base/StopRequest.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/MountTable.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace qv::marks
{

namespace
{

// ---------------------------------------------------------------------------------
// Volumes

// What names a volume wherever it is mounted: its file system's UUID, else its label,
// else a network source; failing those the device numbers (a RAM disk lives only
// while mounted anyway). The root volume is "/" so its rows read as host paths.
QByteArray volumeKeyOf(const MountInfo &m)
{
    if (m.mountPoint == QStringLiteral("/"))
        return QByteArrayLiteral("/");
    const dev_t dev = makedev(unsigned(m.major), unsigned(m.minor));
    for (const char *folder : {"/dev/disk/by-uuid", "/dev/disk/by-label"}) {
        DIR *d = ::opendir(folder);
        if (!d)
            continue;
        QByteArray found;
        while (const dirent *e = ::readdir(d)) {
            struct stat st;
            if (e->d_name[0] != '.' && ::fstatat(::dirfd(d), e->d_name, &st, 0) == 0 && S_ISBLK(st.st_mode) &&
                st.st_rdev == dev) {
                found = QByteArray(folder + 10) + ':' + e->d_name; // "by-uuid:..."
                break;
            }
        }
        ::closedir(d);
        if (!found.isEmpty())
            return found;
    }
    if (m.source.contains(u':') || m.source.startsWith(QStringLiteral("//")))
        return "net:" + m.fsType.toUtf8() + ':' + hostPathBytes(m.source);
    return "dev:" + QByteArray::number(m.major) + ':' + QByteArray::number(m.minor);
}

struct VolumeOfDevice {
    QByteArray key;
    bool inodeUnstable = false;
    std::vector<MountInfo> mounts; // every mount of the device (bind mounts included)
};

const VolumeOfDevice *volumeOfDevice(dev_t dev)
{
    static std::unordered_map<dev_t, VolumeOfDevice> known;
    if (auto it = known.find(dev); it != known.end())
        return &it->second;
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    VolumeOfDevice v;
    for (MountInfo &m : parseMountInfo(f.readAll()))
        if (makedev(unsigned(m.major), unsigned(m.minor)) == dev)
            v.mounts.push_back(std::move(m));
    if (v.mounts.empty())
        return nullptr;
    // The whole file system's mount names the volume when there is one.
    const auto whole = std::find_if(v.mounts.begin(), v.mounts.end(), [](const MountInfo &m) {
        return m.mountPoint == QStringLiteral("/") || m.root == "/";
    });
    const MountInfo &named = whole != v.mounts.end() ? *whole : v.mounts.front();
    v.key = volumeKeyOf(named);
    v.inodeUnstable = inodesUnstable(named.fsType, named.options);
    return &known.emplace(dev, std::move(v)).first->second;
}

// ---------------------------------------------------------------------------------
// The catalog

// Some locks (switching a new file to WAL, starting a write while another process
// writes) are refused at once rather than waited for: a refusal would lose the row.
int execPatiently(sqlite3 *db, const char *sql)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if (((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED) ||
            std::chrono::steady_clock::now() > until)
            return rc;
        sqlite3_sleep(5);
    }
}

// The row the last lookup found: a copy looks a file up, then clears its mark, and a
// row of the destination's own that already says so need not be written again.
struct LastLookup {
    Location where;
    FileIdentity row;
    bool found = false, own = false;
} g_lastLookup;

// The destination of the run under way (empty outside one), and the destinations the
// templates name that are present.
QByteArray g_destination;
std::vector<QByteArray> g_named;
QByteArray g_prunedFor; // the named set whose other rows were deleted last

// What the rows of one path say for the current destination (or, outside a run, for
// all named ones): one identity, or none (the file needs a backup).
class PathRows
{
public:
    void reset()
    {
        m_general.reset();
        m_own.reset();
        m_any.reset();
        m_agree = true;
        m_named.assign(g_destination.isEmpty() ? g_named.size() : 0, std::nullopt);
    }
    void add(std::string_view destination, const FileIdentity &id)
    {
        if (destination.empty())
            m_general = id;
        if (!g_destination.isEmpty()) {
            if (destination == std::string_view(g_destination.constData(), size_t(g_destination.size())))
                m_own = id;
            return;
        }
        for (size_t i = 0; i < g_named.size(); ++i)
            if (destination == std::string_view(g_named[i].constData(), size_t(g_named[i].size())))
                m_named[i] = id;
        if (m_any && !(*m_any == id))
            m_agree = false;
        if (!m_any)
            m_any = id;
    }
    bool result(FileIdentity &out, bool &own) const
    {
        own = false;
        if (!g_destination.isEmpty()) {
            own = m_own.has_value();
            const auto &row = own ? m_own : m_general;
            if (row)
                out = *row;
            return row.has_value();
        }
        if (g_named.empty()) {
            if (m_any)
                out = m_agree ? *m_any : disagreeing();
            return m_any.has_value();
        }
        std::optional<FileIdentity> common;
        bool agree = true;
        for (const auto &row : m_named) {
            const auto &effective = row ? row : m_general;
            if (!effective)
                return false;
            if (common && !(*common == *effective))
                agree = false;
            common = effective;
        }
        out = agree ? *common : disagreeing();
        return true;
    }

private:
    // Matches no file: destinations that hold different versions of it.
    static FileIdentity disagreeing()
    {
        FileIdentity id;
        id.inode = ~std::uint64_t(0);
        id.size = -1;
        return id;
    }
    std::optional<FileIdentity> m_general, m_own, m_any;
    std::vector<std::optional<FileIdentity>> m_named;
    bool m_agree = true;
};

std::string_view viewOf(sqlite3_stmt *q, int column)
{
    return {static_cast<const char *>(sqlite3_column_blob(q, column)),
            size_t(sqlite3_column_bytes(q, column))};
}

FileIdentity identityAt(sqlite3_stmt *q, int first)
{
    FileIdentity id;
    id.inode = std::uint64_t(sqlite3_column_int64(q, first));
    id.size = sqlite3_column_int64(q, first + 1);
    id.mtimeNs = sqlite3_column_int64(q, first + 2);
    id.ctimeNs = sqlite3_column_int64(q, first + 3);
    return id;
}

class Catalog
{
public:
    ~Catalog() { close(); }

    // The open catalog for the current environment (tests move XDG_STATE_HOME).
    sqlite3 *db()
    {
        const char *env = std::getenv("XDG_STATE_HOME");
        const std::string want = env ? env : std::string("\x01");
        if (m_db && want == m_env)
            return m_db;
        close();
        if (want != m_env)
            g_named.clear(); // another user's catalog (tests): its templates name their own
        m_env = want;
        open(false);
        return m_db;
    }

    bool lookup(const Location &where, FileIdentity &out, bool &own)
    {
        const auto [folder, name] = split(where.path);
        const std::int64_t id = folderId(where.volume, folder, false);
        PathRows rows;
        rows.reset();
        if (id == 0)
            return rows.result(out, own);
        sqlite3_stmt *q = statement(m_select, "SELECT destination, inode, size, mtime, ctime FROM file_marks"
                                              " WHERE folder=? AND name=?");
        if (!q)
            return false;
        sqlite3_bind_int64(q, 1, id);
        sqlite3_bind_blob(q, 2, name.data(), int(name.size()), SQLITE_STATIC);
        int rc;
        while ((rc = sqlite3_step(q)) == SQLITE_ROW)
            if (const QByteArray *key = destinationOf(sqlite3_column_int64(q, 0)))
                rows.add(view(*key), identityAt(q, 1));
        sqlite3_reset(q);
        check(rc);
        return rows.result(out, own);
    }

    // Outside a run (no destination): a clear replaces every row of the file by one
    // that holds for all destinations, a set deletes them all. In a run, only the
    // destination's own row is written; a set also drops the row for all, which would
    // otherwise stand in for it.
    void write(const Location &where, const FileIdentity *identity)
    {
        if (!db() || !begin())
            return;
        const auto [folderPath, name] = split(where.path);
        const std::int64_t folder = folderId(where.volume, folderPath, identity != nullptr);
        const std::int64_t destination = destinationId(g_destination, identity != nullptr);
        if (folder == 0)
            return; // no row to delete, and none could be made
        const bool inRun = !g_destination.isEmpty();
        if (!identity || !inRun) {
            sqlite3_stmt *q =
                inRun
                    ? statement(m_deleteOwn,
                                "DELETE FROM file_marks WHERE folder=? AND name=? AND destination IN (?, 0)")
                    : statement(m_delete, "DELETE FROM file_marks WHERE folder=? AND name=?");
            if (!q)
                return;
            sqlite3_bind_int64(q, 1, folder);
            sqlite3_bind_blob(q, 2, name.data(), int(name.size()), SQLITE_STATIC);
            if (inRun)
                sqlite3_bind_int64(q, 3, destination);
            const int rc = sqlite3_step(q);
            sqlite3_reset(q);
            check(rc);
        }
        if (identity && destination >= 0) {
            const int rc = putRow(folder, name, destination, *identity);
            if (rc == SQLITE_MISUSE)
                return;
            check(rc);
        }
        commitIfDue();
    }

    // Writes one file's row; SQLITE_MISUSE when the statement cannot be made.
    int putRow(std::int64_t folder, std::string_view name, std::int64_t destination, const FileIdentity &id)
    {
        sqlite3_stmt *q = statement(m_upsert, "INSERT OR REPLACE INTO file_marks VALUES(?,?,?,?,?,?,?)");
        if (!q)
            return SQLITE_MISUSE;
        sqlite3_bind_int64(q, 1, folder);
        sqlite3_bind_blob(q, 2, name.data(), int(name.size()), SQLITE_STATIC);
        sqlite3_bind_int64(q, 3, destination);
        sqlite3_bind_int64(q, 4, sqlite3_int64(id.inode));
        sqlite3_bind_int64(q, 5, id.size);
        sqlite3_bind_int64(q, 6, id.mtimeNs);
        sqlite3_bind_int64(q, 7, id.ctimeNs);
        const int rc = sqlite3_step(q);
        sqlite3_reset(q);
        return rc;
    }

    // Deletes the rows of every destination but those kept (and the rows for all),
    // and the folders no row names any more.
    void pruneDestinations(const std::vector<QByteArray> &kept)
    {
        if (!db() || !loadDestinations())
            return;
        std::vector<std::int64_t> gone;
        for (const auto &[id, key] : m_destinations)
            if (id != 0 && std::find(kept.begin(), kept.end(), key) == kept.end())
                gone.push_back(id);
        if (gone.empty() || !begin())
            return;
        for (const std::int64_t id : gone) {
            for (const char *sql :
                 {"DELETE FROM file_marks WHERE destination=?", "DELETE FROM destinations WHERE id=?"}) {
                sqlite3_stmt *q = nullptr;
                if (sqlite3_prepare_v2(m_db, sql, -1, &q, nullptr) == SQLITE_OK) {
                    sqlite3_bind_int64(q, 1, id);
                    check(sqlite3_step(q));
                }
                sqlite3_finalize(q);
            }
            m_destinations.erase(id);
        }
        execPatiently(m_db, "DELETE FROM folders WHERE id NOT IN (SELECT folder FROM file_marks)");
        m_folders.clear();
        commit();
    }

    // Grouped by path (each path's rows one after another), each in order of destination.
    template <typename Visit> void rowsBelow(const Location &folder, Visit visit)
    {
        sqlite3_stmt *q =
            statement(m_range, "SELECT f.path, m.name, m.destination, m.inode, m.size, m.mtime, m.ctime"
                               " FROM folders f JOIN file_marks m ON m.folder=f.id"
                               " WHERE f.volume=? AND (f.path=? OR (f.path>=? AND f.path<?))"
                               " ORDER BY f.path, m.name, m.destination");
        if (!q)
            return;
        QByteArray root = folder.path;
        while (root.size() > 1 && root.endsWith('/'))
            root.chop(1);
        QByteArray low = root;
        if (!low.endsWith('/'))
            low += '/';
        QByteArray high = low;
        high.back() = '/' + 1;
        sqlite3_bind_blob(q, 1, folder.volume.constData(), int(folder.volume.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(q, 2, root.constData(), int(root.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(q, 3, low.constData(), int(low.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(q, 4, high.constData(), int(high.size()), SQLITE_TRANSIENT);
        std::string relative;
        int rc;
        while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
            const QByteArray *destination = destinationOf(sqlite3_column_int64(q, 2));
            if (!destination)
                continue;
            const std::string_view path = viewOf(q, 0);
            relative.clear();
            if (path.size() > size_t(root.size())) {
                relative.append(path.substr(size_t(low.size())));
                relative += '/';
            }
            relative.append(viewOf(q, 1));
            visit(std::string_view(relative), view(*destination), identityAt(q, 3));
        }
        sqlite3_reset(q);
        check(rc);
    }

    void commit()
    {
        const bool durable = copiesDurable();
        if (m_db && m_inTransaction) {
            m_inTransaction = false;
            if (!durable) {
                // Those files keep their marks and are taken again.
                g_lastLookup.found = false;
                execPatiently(m_db, "ROLLBACK");
                forgetNumbers();
                return;
            }
            check(execPatiently(m_db, "COMMIT"));
        }
    }

    void shutDown() { close(); }

    // A mark says "backed up" only about copies that would survive a power cut. After
    // a stop from outside, the sync that would make the last copies so is skipped: it
    // can take longer than the second a stop may take, and those files are simply
    // taken again next time.
    static bool copiesDurable() { return !stop::requested() && durable::syncPlaced(); }

    void commitIfDue()
    {
        if (m_inTransaction && std::chrono::steady_clock::now() - m_since >= std::chrono::milliseconds(900))
            commit();
    }

private:
    static std::string_view view(const QByteArray &bytes)
    {
        return {bytes.constData(), size_t(bytes.size())};
    }

    // A file's row is kept under its folder's number and its own name: a path is
    // stored once per folder rather than once per file and destination.
    static std::pair<QByteArrayView, std::string_view> split(const QByteArray &path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArrayView folder =
            slash == 0 ? QByteArrayView("/") : QByteArrayView(path).first(std::max<qsizetype>(slash, 0));
        return {folder, std::string_view(path.constData() + slash + 1, size_t(path.size() - slash - 1))};
    }

    // The folder's number, made when asked to (0: none). Numbers are never reused, so
    // one remembered stays right while the catalog is open.
    std::int64_t folderId(const QByteArray &volume, QByteArrayView folder, bool make)
    {
        std::string key;
        key.reserve(size_t(volume.size() + folder.size()) + 1);
        key.append(volume.constData(), size_t(volume.size()))
            .append(1, '\0')
            .append(folder.data(), size_t(folder.size()));
        if (const auto it = m_folders.find(key); it != m_folders.end())
            return it->second;
        sqlite3_stmt *q = statement(m_folderFind, "SELECT id FROM folders WHERE volume=? AND path=?");
        if (!q)
            return 0;
        std::int64_t id = 0;
        for (int attempt = 0; attempt < 2 && id == 0; ++attempt) {
            if (attempt == 1) {
                sqlite3_stmt *add =
                    make ? statement(m_folderAdd, "INSERT INTO folders(volume, path) VALUES(?,?)") : nullptr;
                if (!add)
                    break;
                sqlite3_bind_blob(add, 1, volume.constData(), int(volume.size()), SQLITE_STATIC);
                sqlite3_bind_blob(add, 2, folder.data(), int(folder.size()), SQLITE_STATIC);
                const int rc = sqlite3_step(add);
                sqlite3_reset(add);
                check(rc);
                if (rc != SQLITE_DONE)
                    break;
            }
            sqlite3_bind_blob(q, 1, volume.constData(), int(volume.size()), SQLITE_STATIC);
            sqlite3_bind_blob(q, 2, folder.data(), int(folder.size()), SQLITE_STATIC);
            if (sqlite3_step(q) == SQLITE_ROW)
                id = sqlite3_column_int64(q, 0);
            sqlite3_reset(q);
        }
        if (id != 0)
            m_folders.emplace(std::move(key), id);
        return id;
    }

    // The destinations are few: all of them are kept in memory, by number.
    bool loadDestinations()
    {
        m_destinations.clear();
        sqlite3_stmt *q = nullptr;
        const bool ok =
            sqlite3_prepare_v2(m_db, "SELECT id, key FROM destinations", -1, &q, nullptr) == SQLITE_OK;
        while (ok && sqlite3_step(q) == SQLITE_ROW) {
            const std::string_view key = viewOf(q, 1);
            m_destinations[sqlite3_column_int64(q, 0)] = QByteArray(key.data(), qsizetype(key.size()));
        }
        sqlite3_finalize(q);
        m_destinations[0] = QByteArray(); // the rows that hold for all destinations
        return ok;
    }

    // A number another process added since is looked for once more.
    const QByteArray *destinationOf(std::int64_t id)
    {
        auto it = m_destinations.find(id);
        if (it == m_destinations.end() && loadDestinations())
            it = m_destinations.find(id);
        return it == m_destinations.end() ? nullptr : &it->second;
    }

    // -1: none (and not made).
    std::int64_t destinationId(const QByteArray &key, bool make)
    {
        if (key.isEmpty())
            return 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            for (const auto &[id, known] : m_destinations)
                if (known == key)
                    return id;
            if (!loadDestinations())
                return -1;
            for (const auto &[id, known] : m_destinations)
                if (known == key)
                    return id;
            if (!make)
                return -1;
            sqlite3_stmt *q = nullptr;
            if (sqlite3_prepare_v2(m_db, "INSERT INTO destinations(key) VALUES(?)", -1, &q, nullptr) ==
                SQLITE_OK) {
                bindBlob(q, 1, key);
                check(sqlite3_step(q));
            }
            sqlite3_finalize(q);
        }
        return -1;
    }

    // Forgets the numbers read or made in a transaction that did not stand.
    void forgetNumbers()
    {
        m_folders.clear();
        m_destinations.clear();
    }

    // Rows of the earlier layout (one full path per file and destination) move over
    // once, so no file loses its mark in the upgrade.
    void moveEarlierRows()
    {
        sqlite3_stmt *q = nullptr;
        if (sqlite3_prepare_v2(
                m_db, "SELECT volume, path, destination, inode, size, mtime, ctime FROM marks_by_destination",
                -1, &q, nullptr) != SQLITE_OK) {
            sqlite3_finalize(q);
            return; // none
        }
        if (!begin()) {
            sqlite3_finalize(q);
            return;
        }
        while (sqlite3_step(q) == SQLITE_ROW) {
            const std::string_view volume = viewOf(q, 0), path = viewOf(q, 1), destination = viewOf(q, 2);
            const QByteArray pathBytes(path.data(), qsizetype(path.size()));
            const auto [folderPath, name] = split(pathBytes);
            const std::int64_t folder =
                folderId(QByteArray(volume.data(), qsizetype(volume.size())), folderPath, true);
            const std::int64_t dest =
                destinationId(QByteArray(destination.data(), qsizetype(destination.size())), true);
            if (folder != 0 && dest >= 0)
                putRow(folder, name, dest, identityAt(q, 3));
        }
        sqlite3_finalize(q);
        execPatiently(m_db, "DROP TABLE marks_by_destination");
        m_inTransaction = false;
        if (execPatiently(m_db, "COMMIT") != SQLITE_OK) {
            execPatiently(m_db, "ROLLBACK");
            forgetNumbers();
        }
    }

    static void bindBlob(sqlite3_stmt *q, int column, const QByteArray &blob)
    {
        // A zero-length blob, never NULL, for the rows that hold for all destinations.
        sqlite3_bind_blob(q, column, blob.isNull() ? "" : blob.constData(), int(blob.size()), SQLITE_STATIC);
    }

    static void bind(sqlite3_stmt *q, const Location &where)
    {
        sqlite3_bind_blob(q, 1, where.volume.constData(), int(where.volume.size()), SQLITE_STATIC);
        sqlite3_bind_blob(q, 2, where.path.constData(), int(where.path.size()), SQLITE_STATIC);
    }

    sqlite3_stmt *statement(sqlite3_stmt *&slot, const char *sql)
    {
        if (!db())
            return nullptr;
        if (!slot &&
            sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &slot, nullptr) != SQLITE_OK) {
            check(sqlite3_errcode(m_db));
            return nullptr;
        }
        return slot;
    }

    bool begin()
    {
        if (m_inTransaction)
            return true;
        if (execPatiently(m_db, "BEGIN IMMEDIATE") != SQLITE_OK) {
            check(sqlite3_errcode(m_db));
            return false;
        }
        m_inTransaction = true;
        m_since = std::chrono::steady_clock::now();
        return true;
    }

    // A damaged catalog is replaced by an empty one: every file counts as changed.
    void check(int rc)
    {
        if ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB) {
            close();
            open(true);
        }
    }

    void open(bool discardExisting)
    {
        const QString path = catalogPath();
        // The journal files beside the catalog are made before its own mode can be
        // narrowed: the folder keeps the paths in them to the user.
        const QString folder = QFileInfo(path).absolutePath();
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (discardExisting)
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(path + QLatin1String(suffix));
        sqlite3 *db = nullptr;
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            return;
        }
        sqlite3_busy_timeout(db, 30000);
        const int rc = execPatiently(
            db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                // A large first run leaves a large log behind unless told not to.
                "PRAGMA journal_size_limit=8388608;"
                // Rows of one mark per file say nothing about a destination: dropped, so
                // the first run into each destination takes its files once.
                "DROP TABLE IF EXISTS marks;"
                "CREATE TABLE IF NOT EXISTS folders(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                " volume BLOB NOT NULL, path BLOB NOT NULL, UNIQUE(volume, path));"
                "CREATE TABLE IF NOT EXISTS destinations(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                " key BLOB NOT NULL UNIQUE);"
                // A million files: about 60 bytes each.
                "CREATE TABLE IF NOT EXISTS file_marks(folder INTEGER NOT NULL, name BLOB NOT NULL,"
                " destination INTEGER NOT NULL, inode INTEGER NOT NULL, size INTEGER NOT NULL,"
                " mtime INTEGER NOT NULL, ctime INTEGER NOT NULL,"
                " PRIMARY KEY(folder, name, destination)) WITHOUT ROWID");
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            if (!discardExisting && ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB))
                open(true);
            return;
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        m_db = db;
        moveEarlierRows();
    }

    void close()
    {
        g_lastLookup.found = false;
        if (!m_db)
            return;
        if (m_inTransaction)
            sqlite3_exec(m_db, copiesDurable() ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
        m_inTransaction = false;
        forgetNumbers();
        for (sqlite3_stmt **q :
             {&m_select, &m_upsert, &m_delete, &m_deleteOwn, &m_range, &m_folderFind, &m_folderAdd}) {
            sqlite3_finalize(*q);
            *q = nullptr;
        }
        // A statement left open would keep the catalog open, and its log unmerged.
        while (sqlite3_stmt *q = sqlite3_next_stmt(m_db, nullptr))
            sqlite3_finalize(q);
        sqlite3_close(m_db);
        m_db = nullptr;
    }

    sqlite3 *m_db = nullptr;
    std::string m_env;
    sqlite3_stmt *m_select = nullptr, *m_upsert = nullptr, *m_delete = nullptr, *m_deleteOwn = nullptr,
                 *m_range = nullptr, *m_folderFind = nullptr, *m_folderAdd = nullptr;
    std::unordered_map<std::string, std::int64_t> m_folders; // volume, NUL, path: number
    std::map<std::int64_t, QByteArray> m_destinations;
    bool m_inTransaction = false;
    std::chrono::steady_clock::time_point m_since;
};

Catalog &catalog()
{
    static Catalog c;
    return c;
}

bool sameMark(const FileIdentity &row, const FileIdentity &file, bool inodeUnstable)
{
    // The device is left out: a volume mounted elsewhere keeps its marks.
    return (inodeUnstable || row.inode == file.inode) && row.size == file.size &&
           row.mtimeNs == file.mtimeNs && row.ctimeNs == file.ctimeNs;
}

} // namespace

QString catalogPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/qvbackup/archive-marks.sqlite");
}

namespace
{

// Folders resolved during the current step; dropped at each commit, so a folder
// replaced by a link later is seen as such.
std::unordered_map<std::string, QByteArray> g_canonicalFolders;

// realpath() reads every component of a path as a link: a folder whose parent was
// resolved a moment ago needs only its own name looked at.
// False when the folder cannot be looked at; its path is then kept as it is.
bool canonicalFolder(const QByteArray &folder, QByteArray &canonical, struct stat &st)
{
    const std::string key = folder.toStdString();
    const size_t slash = key.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string_view name = std::string_view(key).substr(slash + 1);
        const auto parent = g_canonicalFolders.find(key.substr(0, slash));
        if (parent != g_canonicalFolders.end() && !name.empty() && name != "." && name != ".." &&
            ::lstat(key.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            canonical = parent->second;
            if (!canonical.endsWith('/'))
                canonical += '/';
            canonical.append(name.data(), qsizetype(name.size()));
            g_canonicalFolders.emplace(key, canonical);
            return true;
        }
    }
    char resolved[PATH_MAX];
    if (!::realpath(key.c_str(), resolved)) {
        canonical = folder;
        return false;
    }
    canonical = resolved;
    g_canonicalFolders.emplace(key, canonical);
    return ::stat(resolved, &st) == 0;
}

} // namespace

Location locateFolder(const HostPath &hostFolder)
{
    struct stat st;
    QByteArray canonical;
    const VolumeOfDevice *v =
        canonicalFolder(hostFolder.bytes(), canonical, st) ? volumeOfDevice(st.st_dev) : nullptr;
    if (!v || v->key == "/")
        return {QByteArrayLiteral("/"), canonical, v && v->inodeUnstable};
    // The path within the volume, through the mount that holds the folder.
    const MountInfo *best = nullptr;
    for (const MountInfo &m : v->mounts) {
        const QByteArray mp = hostPathBytes(m.mountPoint);
        const bool inside = mp == "/" || canonical == mp || canonical.startsWith(mp + '/');
        if (inside && (!best || mp.size() > hostPathBytes(best->mountPoint).size()))
            best = &m;
    }
    if (!best)
        return {QByteArrayLiteral("/"), canonical, v->inodeUnstable};
    const QByteArray mp = hostPathBytes(best->mountPoint);
    QByteArray within = best->root == "/" ? QByteArray() : best->root;
    within += canonical.mid(mp == "/" ? 0 : mp.size());
    if (within.isEmpty())
        within = "/";
    return {v->key, within, v->inodeUnstable};
}

Location childOf(const Location &folder, const QByteArray &name)
{
    return {folder.volume, folder.path.endsWith('/') ? folder.path + name : folder.path + '/' + name,
            folder.inodeUnstable};
}

bool inodesUnstable(const QString &fsType, const QByteArray &superOptions)
{
    // sshfs numbers its files as it meets them unless given use_ino, which the mount
    // table does not show; an SMB mount told not to use the server's numbers does alike.
    static const QStringList numberedOnTheWay{QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.gvfsd-fuse"),
                                              QStringLiteral("fuse.rclone"), QStringLiteral("fuse.smbnetfs")};
    if (numberedOnTheWay.contains(fsType))
        return true;
    return (fsType == u"cifs" || fsType == u"smb3") && superOptions.split(',').contains("noserverino");
}

QByteArray destinationKey(const HostPath &hostFolder)
{
    // A folder not made yet is placed by the nearest one that exists, so its key is the
    // same before and after its first run.
    QByteArray existing = hostFolder.bytes(), rest;
    while (existing.size() > 1 && existing.endsWith('/'))
        existing.chop(1);
    struct stat st;
    while (existing.size() > 1 && ::stat(existing.constData(), &st) != 0) {
        const qsizetype slash = existing.lastIndexOf('/');
        rest.prepend(existing.mid(slash));
        existing.truncate(std::max<qsizetype>(slash, 1));
    }
    const Location at = locateFolder(HostPath(existing));
    QByteArray path = at.path;
    if (path.endsWith('/') && rest.startsWith('/'))
        path.chop(1);
    return at.volume + '\0' + path + rest;
}

ForDestination::ForDestination(const HostPath &hostFolder) : m_previous(g_destination)
{
    g_destination = destinationKey(hostFolder);
    g_lastLookup.found = false;
}

ForDestination::~ForDestination()
{
    g_destination = m_previous;
    g_lastLookup.found = false;
}

void nameDestinations(const std::vector<HostPath> &hostFolders)
{
    catalog().db(); // a catalog of another environment forgets the names first
    std::vector<QByteArray> present;
    bool all = true;
    for (const HostPath &folder : hostFolders) {
        struct stat st;
        if (folder.isEmpty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            all = false; // an unplugged disk: its rows stay, it is not asked
            continue;
        }
        const QByteArray key = destinationKey(folder);
        if (std::find(present.begin(), present.end(), key) == present.end())
            present.push_back(key);
    }
    std::sort(present.begin(), present.end());
    g_named = present;
    g_lastLookup.found = false;
    const QByteArray joined = QByteArrayList(present.begin(), present.end()).join('\n');
    if (all && joined != g_prunedFor) {
        g_prunedFor = joined;
        catalog().pruneDestinations(present);
    }
}

namespace
{

struct View {
    Location folder;
    FolderRows rows; // with the marks written since they were read

    // The path below the folder, when the location is in view.
    std::optional<std::string_view> relative(const Location &where) const
    {
        const QByteArray &root = folder.path;
        const qsizetype start = root.endsWith('/') ? root.size() : root.size() + 1;
        if (where.volume != folder.volume || where.path.size() <= start || !where.path.startsWith(root) ||
            where.path.at(start - 1) != '/')
            return std::nullopt;
        return std::string_view(where.path.constData() + start, size_t(where.path.size() - start));
    }

    bool lookup(std::string_view below, FileIdentity &out, bool &own)
    {
        const FileIdentity *row = rows.identityOf(below, &own);
        if (row)
            out = *row;
        return row != nullptr;
    }
};
View *g_view = nullptr;

bool lookup(const Location &where, FileIdentity &row, bool &own)
{
    if (g_view)
        if (const auto below = g_view->relative(where))
            return g_view->lookup(*below, row, own);
    return catalog().lookup(where, row, own);
}

void write(const Location &where, const FileIdentity *identity)
{
    if (g_view)
        if (const auto below = g_view->relative(where))
            g_view->rows.note(*below, identity);
    catalog().write(where, identity);
}

} // namespace

RowsInView::RowsInView(const HostPath &hostFolder)
{
    const Location folder = locateFolder(hostFolder);
    delete g_view;
    g_view = new View{folder, FolderRows(folder)};
}

RowsInView::~RowsInView()
{
    delete g_view;
    g_view = nullptr;
}

bool isClear(const Location &where, const FileIdentity &identity)
{
    FileIdentity row;
    bool own = false;
    const bool found = lookup(where, row, own);
    g_lastLookup = {where, row, found, own};
    return found && sameMark(row, identity, where.inodeUnstable);
}

void clear(const Location &where, const FileIdentity &identity)
{
    const bool unchanged = g_lastLookup.found && g_lastLookup.own && !g_destination.isEmpty() &&
                           g_lastLookup.row == identity && g_lastLookup.where.path == where.path &&
                           g_lastLookup.where.volume == where.volume;
    g_lastLookup.found = false;
    if (!unchanged)
        write(where, &identity);
}

void set(const Location &where)
{
    g_lastLookup.found = false;
    write(where, nullptr);
}

void commit()
{
    catalog().commit();
    g_canonicalFolders.clear();
}

void closeCatalog()
{
    commit();
    catalog().shutDown();
}

void commitIfDue()
{
    catalog().commitIfDue();
}

FolderRows::FolderRows(const Location &folder) : m_folder(folder)
{
    // A path's rows come one after another: what they say together is one row here.
    PathRows path;
    std::uint64_t current = 0;
    bool any = false;
    const auto flush = [&] {
        Row row{current, {}};
        if (any && path.result(row.identity, row.own))
            m_rows.push_back(row);
    };
    catalog().rowsBelow(folder,
                        [&](std::string_view relative, std::string_view destination, const FileIdentity &id) {
                            const std::uint64_t key = std::hash<std::string_view>{}(relative);
                            if (!any || key != current) {
                                flush();
                                path.reset();
                                current = key;
                                any = true;
                            }
                            path.add(destination, id);
                        });
    flush();
    index();
}

void FolderRows::index()
{
    size_t size = 16;
    while (size < size_t(m_rows.size()) * 2)
        size *= 2;
    m_slots.assign(size, 0);
    for (std::uint32_t i = 0; i < m_rows.size(); ++i) {
        size_t slot = m_rows[i].key & (size - 1);
        while (m_slots[slot] != 0)
            slot = (slot + 1) & (size - 1);
        m_slots[slot] = i + 1;
    }
}

void FolderRows::note(std::string_view relative, const FileIdentity *identity)
{
    Row *row = find(relative);
    if (!row) {
        m_rows.push_back(Row{std::hash<std::string_view>{}(relative), {}});
        if (size_t(m_rows.size()) * 2 > m_slots.size())
            index();
        else {
            const size_t mask = m_slots.size() - 1;
            size_t slot = m_rows.back().key & mask;
            while (m_slots[slot] != 0)
                slot = (slot + 1) & mask;
            m_slots[slot] = std::uint32_t(m_rows.size());
        }
        row = &m_rows.back();
    }
    row->own = true;
    row->set = identity == nullptr;
    if (identity)
        row->identity = *identity;
}

FolderRows::Row *FolderRows::find(std::string_view relative)
{
    const std::uint64_t key = std::hash<std::string_view>{}(relative);
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = key & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        Row &row = m_rows[m_slots[slot] - 1];
        if (row.key == key)
            return &row;
    }
    return nullptr;
}

const FileIdentity *FolderRows::identityOf(std::string_view relative, bool *own)
{
    const Row *row = find(relative);
    if (own)
        *own = row && row->own;
    return row && !row->set ? &row->identity : nullptr;
}

bool FolderRows::see(std::string_view relative, const FileIdentity &identity)
{
    Row *row = find(relative);
    if (!row)
        return false;
    row->seen = true;
    return !row->set && sameMark(row->identity, identity, m_folder.inodeUnstable);
}

void FolderRows::prune(bool recursive, const std::vector<std::string> &unreadableFolders)
{
    // Usually every row was seen; the paths of those that were not are read again.
    if (std::all_of(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.seen; })) {
        commit();
        return;
    }
    std::vector<std::string> gone;
    catalog().rowsBelow(m_folder, [&](std::string_view relative, std::string_view, const FileIdentity &) {
        if (!gone.empty() && gone.back() == relative)
            return; // another destination's row of the same path
        const Row *row = find(relative);
        if (row && row->seen)
            return;
        if (!recursive && relative.find('/') != std::string_view::npos)
            return;
        const bool underUnreadable =
            std::any_of(unreadableFolders.begin(), unreadableFolders.end(), [&](const std::string &f) {
                return relative.size() > f.size() && relative.substr(0, f.size()) == f &&
                       relative[f.size()] == '/';
            });
        if (!underUnreadable)
            gone.emplace_back(relative);
    });
    // A file gone is gone for every destination.
    const QByteArray destination = std::exchange(g_destination, QByteArray());
    for (const std::string &relative : gone)
        set(childOf(m_folder, QByteArray::fromStdString(relative)));
    g_destination = destination;
    commit();
}

} // namespace qv::marks
