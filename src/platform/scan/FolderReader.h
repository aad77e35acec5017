#pragma once
#include "platform/base/FileIdentity.h"
#include "platform/paths/HostPath.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace qv
{

// The folders on the path down to one being read, by (device, inode): a link that
// leads back to one of them would be walked for ever.
struct Ancestry {
    std::shared_ptr<const Ancestry> up;
    std::uint64_t device = 0, inode = 0;
};
using AncestryPtr = std::shared_ptr<const Ancestry>;

// The folder open at fd and every folder above it (the descriptor is closed).
AncestryPtr foldersUpFrom(int fd);

// How a walk treats the subfolders of the folder it reads.
struct WalkRules {
    AncestryPtr above;                             // the folders above the one read
    std::uint64_t avoidDevice = 0, avoidInode = 0; // a folder never walked into (the destination)
    bool avoid = false;
    AncestryPtr avoidUp; // the avoided folder and those above it: a link to one would reach it
};

// What one folder holds, as the system calls gave it: names and stat fields, no
// texts. Files and folders only (links resolved to what they lead to), "." and ".."
// left out; what cannot be listed as either is named in problems.
struct FolderListing {
    struct Entry {
        std::uint32_t nameStart = 0, nameLength = 0; // in names
        bool isFolder = false;                       // a folder or a link to one
        bool isLink = false;
        bool walk = false;    // a folder a walk goes into (not a loop, not the destination)
        bool statted = false; // false for folders known from the listing alone
        unsigned mode = 0;
        FileIdentity identity; // its modification time is the entry's too
        QString hostName;      // the name as text, decoded on the reading thread
    };
    enum class Why { Dangling, Special, Loop, IntoDestination };
    struct Problem {
        std::string name;
        Why why;
    };
    bool opened = false;
    std::uint64_t device = 0, inode = 0; // of the folder read
    bool searchDenied = false;           // listed, but its entries could not be looked at
    std::string names;
    std::vector<Entry> entries;
    std::vector<Problem> problems;
    AncestryPtr ancestry; // this folder's, for the rules of its subfolders
    int descriptor = -1;  // the folder, when asked to keep it open (the caller closes it)

    std::string_view name(const Entry &e) const
    {
        return std::string_view(names).substr(e.nameStart, e.nameLength);
    }
};

FolderListing readFolder(const HostPath &hostPath, const WalkRules &rules = {});
// The same for a folder by its name in an open parent; keep: leave the listing's
// descriptor open.
FolderListing readFolderAt(int parent, const char *name, const WalkRules &rules, bool keep);
// Whether the folder read is still the one at hostPath.
bool stillThere(const FolderListing &listing, const HostPath &hostPath);

// Reads a folder tree on a second thread in the order a depth-first walk lists it
// (each folder's subfolders in the order the folder lists them), a bounded way ahead
// of the caller, who takes each folder's listing by its path below the root. A caller
// that would wait reads the folder itself when the thread has not started it. Each
// folder is opened in its parent's descriptor, so depth costs nothing per level.
// Links to folders are followed as the rules allow. What the thread throws ends its
// walk and is thrown again by take() of the folder it was reading.
class FolderReadAhead
{
public:
    // Called with a folder's relative path just before either thread reads it (for tests).
    using BeforeRead = std::function<void(const std::string &relative)>;
    FolderReadAhead(const HostPath &rootHost, bool recursive, const WalkRules &rules = {},
                    BeforeRead beforeRead = {});
    ~FolderReadAhead();
    // The listing of the folder at relative ("" for the root; "a/b" below it), once
    // read; nothing when the walk never reaches it. A listing read ahead of a folder
    // that has since gone or been replaced is read again.
    std::optional<FolderListing> take(const std::string &relative);

    FolderReadAhead(const FolderReadAhead &) = delete;
    FolderReadAhead &operator=(const FolderReadAhead &) = delete;

private:
    struct OpenFolder; // a parent's descriptor, shared by its pending subfolders
    struct Pending {
        QByteArray host;
        std::string relative;
        std::shared_ptr<OpenFolder> parent; // none: opened by host path
        WalkRules rules;
    };
    void walk();
    // Reads a folder taken off the pending stack, outside the lock; its subfolders go
    // onto the stack.
    FolderListing readHere(const Pending &folder, std::unique_lock<std::mutex> &lock);
    FolderListing readUnlocked(const Pending &folder, std::vector<Pending> &subfolders);
    void keep(std::string relative, FolderListing listing); // for take(), under the lock

    const bool m_recursive;
    const BeforeRead m_beforeRead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Pending> m_pending; // folders not yet read, the next on top
    int m_reading = 0;              // folders being read now, by either thread
    std::unordered_map<std::string, FolderListing> m_read;
    std::size_t m_entriesHeld = 0;
    bool m_done = false, m_stop = false;
    bool m_waitingForRoom = false; // held listings fill the bound
    std::exception_ptr m_failure;  // what the thread threw, reading m_failedAt
    std::string m_failedAt;
    std::thread m_thread;
};

} // namespace qv
