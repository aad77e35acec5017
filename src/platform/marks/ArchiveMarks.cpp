#include "platform/marks/ArchiveMarks.h"

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
    v.key = volumeKeyOf(whole != v.mounts.end() ? *whole : v.mounts.front());
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
// row that already says so need not be written again.
struct LastLookup {
    Location where;
    FileIdentity row;
    bool found = false;
} g_lastLookup;

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
        m_env = want;
        open(false);
        return m_db;
    }

    bool lookup(const Location &where, FileIdentity &out)
    {
        sqlite3_stmt *q =
            statement(m_select, "SELECT inode, size, mtime, ctime FROM marks WHERE volume=? AND path=?");
        if (!q)
            return false;
        bind(q, where);
        const int rc = sqlite3_step(q);
        bool found = false;
        if (rc == SQLITE_ROW) {
            out.inode = std::uint64_t(sqlite3_column_int64(q, 0));
            out.size = sqlite3_column_int64(q, 1);
            out.mtimeNs = sqlite3_column_int64(q, 2);
            out.ctimeNs = sqlite3_column_int64(q, 3);
            found = true;
        }
        sqlite3_reset(q);
        check(rc);
        return found;
    }

    void write(const Location &where, const FileIdentity *identity)
    {
        sqlite3_stmt *q = identity ? statement(m_upsert, "INSERT OR REPLACE INTO marks VALUES(?,?,?,?,?,?)")
                                   : statement(m_delete, "DELETE FROM marks WHERE volume=? AND path=?");
        if (!q || !begin())
            return;
        bind(q, where);
        if (identity) {
            sqlite3_bind_int64(q, 3, sqlite3_int64(identity->inode));
            sqlite3_bind_int64(q, 4, identity->size);
            sqlite3_bind_int64(q, 5, identity->mtimeNs);
            sqlite3_bind_int64(q, 6, identity->ctimeNs);
        }
        const int rc = sqlite3_step(q);
        sqlite3_reset(q);
        check(rc);
        commitIfDue();
    }

    template <typename Visit> void rowsBelow(const Location &folder, Visit visit)
    {
        sqlite3_stmt *q = statement(
            m_range,
            "SELECT path, inode, size, mtime, ctime FROM marks WHERE volume=? AND path>=? AND path<?");
        if (!q)
            return;
        QByteArray low = folder.path;
        if (!low.endsWith('/'))
            low += '/';
        QByteArray high = low;
        high.back() = '/' + 1;
        sqlite3_bind_blob(q, 1, folder.volume.constData(), int(folder.volume.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(q, 2, low.constData(), int(low.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(q, 3, high.constData(), int(high.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
            const char *p = static_cast<const char *>(sqlite3_column_blob(q, 0));
            const int n = sqlite3_column_bytes(q, 0);
            FileIdentity id;
            id.inode = std::uint64_t(sqlite3_column_int64(q, 1));
            id.size = sqlite3_column_int64(q, 2);
            id.mtimeNs = sqlite3_column_int64(q, 3);
            id.ctimeNs = sqlite3_column_int64(q, 4);
            visit(std::string_view(p + low.size(), size_t(n - low.size())), id);
        }
        sqlite3_reset(q);
        check(rc);
    }

    void commit()
    {
        if (m_db && m_inTransaction) {
            m_inTransaction = false;
            check(execPatiently(m_db, "COMMIT"));
        }
    }

    void commitIfDue()
    {
        if (m_inTransaction && std::chrono::steady_clock::now() - m_since >= std::chrono::milliseconds(900))
            commit();
    }

private:
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
            db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456;"
                "CREATE TABLE IF NOT EXISTS marks(volume BLOB NOT NULL, path BLOB NOT NULL,"
                " inode INTEGER NOT NULL, size INTEGER NOT NULL, mtime INTEGER NOT NULL,"
                " ctime INTEGER NOT NULL, PRIMARY KEY(volume, path)) WITHOUT ROWID");
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            if (!discardExisting && ((rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB))
                open(true);
            return;
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        m_db = db;
    }

    void close()
    {
        g_lastLookup.found = false;
        if (!m_db)
            return;
        if (m_inTransaction)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_inTransaction = false;
        for (sqlite3_stmt **q : {&m_select, &m_upsert, &m_delete, &m_range}) {
            sqlite3_finalize(*q);
            *q = nullptr;
        }
        sqlite3_close(m_db);
        m_db = nullptr;
    }

    sqlite3 *m_db = nullptr;
    std::string m_env;
    sqlite3_stmt *m_select = nullptr, *m_upsert = nullptr, *m_delete = nullptr, *m_range = nullptr;
    bool m_inTransaction = false;
    std::chrono::steady_clock::time_point m_since;
};

Catalog &catalog()
{
    static Catalog c;
    return c;
}

bool sameMark(const FileIdentity &row, const FileIdentity &file)
{
    // The device is left out: a volume mounted elsewhere keeps its marks.
    return row.inode == file.inode && row.size == file.size && row.mtimeNs == file.mtimeNs &&
           row.ctimeNs == file.ctimeNs;
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

Location locateFolder(const QByteArray &hostFolder)
{
    struct stat st;
    QByteArray canonical;
    const VolumeOfDevice *v =
        canonicalFolder(hostFolder, canonical, st) ? volumeOfDevice(st.st_dev) : nullptr;
    if (!v || v->key == "/")
        return {QByteArrayLiteral("/"), canonical};
    // The path within the volume, through the mount that holds the folder.
    const MountInfo *best = nullptr;
    for (const MountInfo &m : v->mounts) {
        const QByteArray mp = hostPathBytes(m.mountPoint);
        const bool inside = mp == "/" || canonical == mp || canonical.startsWith(mp + '/');
        if (inside && (!best || mp.size() > hostPathBytes(best->mountPoint).size()))
            best = &m;
    }
    if (!best)
        return {QByteArrayLiteral("/"), canonical};
    const QByteArray mp = hostPathBytes(best->mountPoint);
    QByteArray within = best->root == "/" ? QByteArray() : best->root;
    within += canonical.mid(mp == "/" ? 0 : mp.size());
    if (within.isEmpty())
        within = "/";
    return {v->key, within};
}

Location childOf(const Location &folder, const QByteArray &name)
{
    return {folder.volume, folder.path.endsWith('/') ? folder.path + name : folder.path + '/' + name};
}

namespace
{

struct View {
    Location folder;
    FolderRows rows;
    // Marks written since the rows were read: the identity, or nothing for "set".
    std::unordered_map<std::string, std::optional<FileIdentity>> written;

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

    bool lookup(std::string_view below, FileIdentity &out)
    {
        const auto it = written.empty() ? written.end() : written.find(std::string(below));
        if (it != written.end()) {
            if (it->second)
                out = *it->second;
            return it->second.has_value();
        }
        const FileIdentity *row = rows.identityOf(below);
        if (row)
            out = *row;
        return row != nullptr;
    }
};
View *g_view = nullptr;

bool lookup(const Location &where, FileIdentity &row)
{
    if (g_view)
        if (const auto below = g_view->relative(where))
            return g_view->lookup(*below, row);
    return catalog().lookup(where, row);
}

void write(const Location &where, const FileIdentity *identity)
{
    if (g_view)
        if (const auto below = g_view->relative(where))
            g_view->written[std::string(*below)] =
                identity ? std::optional<FileIdentity>(*identity) : std::nullopt;
    catalog().write(where, identity);
}

} // namespace

RowsInView::RowsInView(const QByteArray &hostFolder)
{
    const Location folder = locateFolder(hostFolder);
    delete g_view;
    g_view = new View{folder, FolderRows(folder), {}};
}

RowsInView::~RowsInView()
{
    delete g_view;
    g_view = nullptr;
}

bool isClear(const Location &where, const FileIdentity &identity)
{
    FileIdentity row;
    const bool found = lookup(where, row);
    g_lastLookup = {where, row, found};
    return found && sameMark(row, identity);
}

void clear(const Location &where, const FileIdentity &identity)
{
    const bool unchanged = g_lastLookup.found && sameMark(g_lastLookup.row, identity) &&
                           g_lastLookup.where.path == where.path && g_lastLookup.where.volume == where.volume;
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

void commitIfDue()
{
    catalog().commitIfDue();
}

FolderRows::FolderRows(const Location &folder) : m_folder(folder)
{
    catalog().rowsBelow(folder, [&](std::string_view relative, const FileIdentity &id) {
        m_rows.push_back({std::hash<std::string_view>{}(relative), id});
    });
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

const FileIdentity *FolderRows::identityOf(std::string_view relative)
{
    const Row *row = find(relative);
    return row ? &row->identity : nullptr;
}

bool FolderRows::see(std::string_view relative, const FileIdentity &identity)
{
    Row *row = find(relative);
    if (!row)
        return false;
    row->seen = true;
    return sameMark(row->identity, identity);
}

void FolderRows::prune(bool recursive, const std::vector<std::string> &unreadableFolders)
{
    // Usually every row was seen; the paths of those that were not are read again.
    if (std::all_of(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.seen; })) {
        commit();
        return;
    }
    std::vector<std::string> gone;
    catalog().rowsBelow(m_folder, [&](std::string_view relative, const FileIdentity &) {
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
    for (const std::string &relative : gone)
        set(childOf(m_folder, QByteArray::fromStdString(relative)));
    commit();
}

} // namespace qv::marks
