#pragma once
// The archive mark of a file: a row in a per-user catalog (SQLite) under the XDG state
// folder, never anything written into the source tree. A file's archive attribute is
// clear exactly while its row matches the file's identity; no row, another identity,
// or a catalog that cannot be read all mean "set", so every doubt takes the file again.
#include "platform/base/FileIdentity.h"
#include "platform/paths/HostPath.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <string>
#include <unordered_map>

namespace qv::marks
{

// Where a file's row is kept: the volume and the path within it, so a removable or
// network volume keeps its marks wherever it is mounted. Files on the root volume
// are keyed by their host path.
// inodeUnstable: the volume's inode numbers do not survive a remount (sshfs, some SMB
// mounts), so a file's identity there leaves the inode out.
struct Location {
    QByteArray volume;
    QByteArray path;
    bool inodeUnstable = false;
};

// Location of a folder given by its host path (symbolic links resolved here) and the
// device it lives on; a file's location is its folder's plus "/" and its name.
Location locateFolder(const HostPath &hostFolder);
Location childOf(const Location &folder, const QByteArray &name);

// "$XDG_STATE_HOME/qvbackup/archive-marks.sqlite" (~/.local/state when unset).
QString catalogPath();

// A row belongs to the destination a file was backed up to. While a ForDestination is
// alive (a run's scan and its copy or zip step) marks are read and written for that
// destination alone; a file without a row of its own there falls back on a row
// written outside any run. Outside a run a mark is clear when every destination
// named (and present) has it clear; clearing writes that for all of them, setting
// deletes every row of the file.
QByteArray destinationKey(const HostPath &hostFolder);
class ForDestination
{
public:
    explicit ForDestination(const HostPath &hostFolder);
    ~ForDestination();
    ForDestination(const ForDestination &) = delete;
    ForDestination &operator=(const ForDestination &) = delete;

private:
    QByteArray m_previous;
};
// The destination folders the templates name (host paths). When each of them exists,
// the rows of every other destination are deleted.
void nameDestinations(const std::vector<HostPath> &hostFolders);
// Whether a mount's inode numbers are lost on a remount.
bool inodesUnstable(const QString &fsType, const QByteArray &superOptions);

bool isClear(const Location &where, const FileIdentity &identity);
// Records the identity as backed up. Kept in a transaction committed at least once a
// second (see commitIfDue) and by commit().
void clear(const Location &where, const FileIdentity &identity);
void set(const Location &where);
void commit();
// Commits and closes the catalog, its log merged in (a process about to end without
// running destructors); the next use opens it again.
void closeCatalog();
void commitIfDue();

// The rows below one folder, read once for a whole scan, keyed by the path below it
// ("sub/name"). Rows of files a scan no longer finds are pruned by prune().
//
// A row is found by a 64-bit hash of its path alone, not the path itself: keeping
// every path of a large tree would cost more than reading it. Two paths sharing a
// hash could only make a file look changed, since its identity (inode and times) is
// still compared; a row is kept by mistake at worst.
class FolderRows
{
public:
    explicit FolderRows(const Location &folder);
    // Whether the file's mark is clear; the row counts as seen (kept by prune).
    bool see(std::string_view relative, const FileIdentity &identity);
    // Deletes the rows not seen below the folders that were read completely.
    // recursive: every folder below was read (less those named unreadable).
    void prune(bool recursive, const std::vector<std::string> &unreadableFolders);
    // The row for the path below the folder, if there is one.
    // own: the row is the current destination's own (not one for all).
    const FileIdentity *identityOf(std::string_view relative, bool *own = nullptr);
    // A mark written since the rows were read (identity: clear; none: set), kept
    // here rather than beside them: a copy of a million files writes a million.
    void note(std::string_view relative, const FileIdentity *identity);

private:
    struct Row {
        std::uint64_t key; // hash of the path below the folder
        FileIdentity identity;
        bool seen = false;
        bool own = false;
        bool set = false; // a mark set since: no identity
    };
    Row *find(std::string_view relative);
    void index();

    Location m_folder;
    // A scan looks up every file once: rows in one array and an open-addressed index
    // of row numbers, so a lookup costs a cache miss or two (with a QHash a run that
    // finds nothing in a million files took 6 % longer and 19 MB more). Qt's list grows a large
    // block in place (mremap): the rows are neither copied nor touched twice.
    QList<Row> m_rows;
    std::vector<std::uint32_t> m_slots; // row number + 1; 0: empty
};

// While one is alive, files below its folder are looked up in the rows read when it
// was made (and the marks written since) instead of one query each: a copy looks up
// every file it takes. Rows another process writes meanwhile go unseen, which can
// only leave a mark set.
class RowsInView
{
public:
    explicit RowsInView(const HostPath &hostFolder);
    ~RowsInView();
    RowsInView(const RowsInView &) = delete;
    RowsInView &operator=(const RowsInView &) = delete;
};

} // namespace qv::marks
