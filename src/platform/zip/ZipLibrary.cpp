#include "platform/zip/ZipLibrary.h"

#include "platform/base/AccessList.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/zip/ZipPipeline.h"
#include "platform/zip/ZipWriter.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{

// Archive bytes written between two service calls: a few milliseconds of work.
constexpr std::size_t ServiceBlock = 256 * 1024;
// How long the writer waits for a worker before asking the service callback again.
constexpr std::chrono::milliseconds ServiceWait{40};
constexpr int DefaultLevel = 6;

struct Settings {
    bool valid = true;
    int level = DefaultLevel;
    bool includeHidden = false;
    bool recurse = false;
    QString rootFolder;
};

ZipUserFunctions g_callbacks{};
Settings g_settings;
bool g_busy = false;
int g_systemError = 0; // the host error behind the last ZpCreateError

// One entry to be written.
struct Item {
    std::string entry; // "Data/a.txt", folders "Data/sub/"
    std::string given; // the caller's name; inside a named folder: folder + "\\" + name
    qv::HostPath hostPath;
    bool isDir = false;
    bool walk = false;    // a folder whose content goes in as well
    bool implied = false; // a folder of the packed tree nobody named: no "adding" line
    std::uint64_t size = 0;
    time_t mtime = 0;
    mode_t mode = 0;
    dev_t dev = 0;
    ino_t ino = 0;
};

// What the last call left out; see ZpSkippedName.
std::vector<std::string> g_skipped;

// UTF-8, where the bytes of names that are not valid UTF-8 stand for themselves.
QString fromUtf8(const char *text)
{
    return qv::hostPathFromBytes(text, qsizetype(std::strlen(text)));
}

// Windows path -> how many names its entry has: the path without its drive (or
// relative to the root folder when it lies inside it), "." and ".." folded away.
qsizetype entryDepthOf(const QString &windowsPath, const QString &rootFolder)
{
    qv::WinPath path(windowsPath);
    if (!rootFolder.isEmpty()) {
        const qv::WinPath root = rootFolder.endsWith(u'/') ? qv::WinPath(rootFolder)
                                                           : qv::WinPath(rootFolder).withTrailingSeparator();
        // Outside the root folder only the drive is dropped.
        if (windowsPath.size() > root.text().size() && path.startsWith(root))
            path = qv::WinPath(path.relativeTo(root));
    }
    return path.resolvedNames().size();
}

// The entry name: the last depth names of the host path, as the host's bytes, so that
// whatever the names hold comes back from the archive as it was.
std::string entryNameOf(const qv::HostPath &host, qsizetype depth)
{
    const QByteArray &hostPath = host.bytes();
    qsizetype start = hostPath.size();
    for (qsizetype k = 0; k < depth && start > 0; ++k)
        start = hostPath.lastIndexOf('/', start - 1);
    return depth == 0 ? std::string() : hostPath.mid(start + 1).toStdString();
}

bool validUtf8(const std::string &name)
{
    const QString text = qv::hostPathFromBytes(name.data(), qsizetype(name.size()));
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; });
}

bool statItem(const qv::HostPath &hostPath, Item &item, bool &special)
{
    struct stat st {
    };
    if (::lstat(hostPath.c_str(), &st) != 0)
        return false;
    const bool isLink = S_ISLNK(st.st_mode);
    if (isLink && ::stat(hostPath.c_str(), &st) != 0)
        return false; // leads nowhere
    special = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
    item.hostPath = hostPath;
    item.isDir = S_ISDIR(st.st_mode);
    item.walk = item.isDir && !isLink; // a linked folder goes in, its content does not
    item.size = S_ISREG(st.st_mode) ? std::uint64_t(st.st_size) : 0;
    item.mtime = st.st_mtim.tv_sec;
    // An archive holds no access list: the owning group gets no more than the list gave it.
    item.mode = qv::acl::narrowedModeAt(hostPath.c_str(), st.st_mode);
    item.dev = st.st_dev;
    item.ino = st.st_ino;
    return true;
}

class Collector
{
public:
    explicit Collector(const Settings &settings) : m_settings(settings) {}

    std::deque<Item> items;
    // Entries for the folders above a named file, as far as its entry name reaches,
    // each before the first file in it.
    void addFolders(const Item &file)
    {
        for (std::size_t slash = file.entry.find('/'); slash != std::string::npos;
             slash = file.entry.find('/', slash + 1)) {
            const std::string entry = file.entry.substr(0, slash + 1);
            if (m_byName.count(entry))
                continue;
            const std::size_t below =
                std::size_t(std::count(file.entry.begin() + qsizetype(slash), file.entry.end(), '/'));
            const QByteArray &path = file.hostPath.bytes();
            qsizetype end = path.size();
            for (std::size_t k = 0; k < below; ++k)
                end = path.lastIndexOf('/', end - 1);
            Item folder;
            bool special = false;
            if (end <= 0 || !statItem(qv::HostPath(path.left(end)), folder, special) || !folder.isDir)
                continue;
            folder.entry = entry;
            folder.walk = false;
            folder.implied = true;
            m_byName.emplace(entry, items.size());
            items.push_back(std::move(folder));
        }
    }
    // false: two different files would get one entry name.
    bool add(Item item)
    {
        if (item.isDir && !item.entry.empty())
            item.entry += '/';
        if (!item.entry.empty()) {
            auto [it, inserted] = m_byName.try_emplace(item.entry, items.size());
            if (!inserted) {
                Item &earlier = items[it->second];
                if (earlier.dev != item.dev || earlier.ino != item.ino)
                    return false;
                if (!earlier.implied)
                    return true; // the same file named twice
                // A folder entered for a file in it, now named itself.
                earlier.implied = false;
                earlier.given = item.given;
            } else {
                items.push_back(item);
            }
        }
        if (item.isDir && item.walk && m_settings.recurse)
            return walk(item.hostPath, item.entry, item.given);
        return true;
    }

private:
    bool walk(const qv::HostPath &folder, const std::string &prefix, const std::string &given)
    {
        DIR *dir = ::opendir(folder.c_str());
        if (!dir) {
            g_skipped.push_back(given);
            return true;
        }
        std::vector<std::string> names;
        while (dirent *e = ::readdir(dir)) {
            const char *n = e->d_name;
            if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0)
                continue;
            if (std::strchr(n, '\\'))
                continue; // cannot be named by a Windows path (nor given back as skipped)
            if (n[0] == '.' && !m_settings.includeHidden)
                continue;
            names.emplace_back(n);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string &name : names) {
            Item child;
            bool special = false;
            const qv::HostPath path = folder / QByteArrayView(name.data(), qsizetype(name.size()));
            if (!statItem(path, child, special))
                continue; // a dangling link or a file gone since the listing
            child.given = given;
            child.given += '\\';
            child.given += name;
            if (special) {
                g_skipped.push_back(child.given); // sockets, pipes and devices hold no data to keep
                continue;
            }
            child.entry = prefix + name;
            if (!add(std::move(child)))
                return false;
        }
        return true;
    }

    const Settings &m_settings;
    std::unordered_map<std::string, std::size_t> m_byName;
};

void print(const ZipUserFunctions &callbacks, const std::string &text)
{
    if (callbacks.print)
        callbacks.print(text.c_str(), static_cast<unsigned long>(text.size()));
}

bool serviceAsksAbort(const ZipUserFunctions &callbacks, const std::string &entry)
{
    return callbacks.service &&
           callbacks.service(entry.c_str(), static_cast<unsigned long>(entry.size())) == 1;
}

// DOS attribute bits in the low byte, the Unix mode in the high word.
std::uint32_t externalAttributes(const Item &item)
{
    std::uint32_t dos = 0;
    if (!(item.mode & S_IWUSR))
        dos |= 0x01;
    const auto slash = item.entry.find_last_of('/', item.entry.size() - (item.isDir ? 2 : 1));
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart < item.entry.size() && item.entry[nameStart] == '.')
        dos |= 0x02;
    if (item.isDir)
        dos |= 0x10;
    return (std::uint32_t(item.mode & 0xFFFF) << 16) | dos;
}

std::optional<qv::HostPath> hostPathOf(const QString &windowsPath)
{
    std::optional<qv::HostPath> host = qv::DriveTable::current().toHost(qv::WinPath(windowsPath));
    if (!host || host->isEmpty())
        return std::nullopt;
    return host;
}

// One attempt at the archive. Workers read and compress ahead; libzip pulls their
// pieces in archive order through one source per entry, on this thread, which also
// makes every callback.
struct Run {
    ZipUserFunctions callbacks{};
    const std::deque<Item> *items = nullptr;
    qv::zip::Pipeline *pipeline = nullptr;
    std::unordered_set<std::string> *announced = nullptr; // by an earlier attempt too
    int result = ZpOk;                                    // why a source stopped the attempt
    std::size_t gone = 0; // with result ZpOpenError before any data: this entry's file
    bool restart = false;
};

struct EntrySource {
    Run *run = nullptr;
    std::size_t index = 0;
    bool started = false, done = false, deflated = false;
    std::size_t count = 0, next = 0; // pieces
    qv::zip::Piece piece;
    std::size_t at = 0;
    std::uint64_t size = 0, sinceService = 0;
    std::uint32_t crc = 0;
    zip_error_t error{};

    EntrySource() { zip_error_init(&error); }
    EntrySource(const EntrySource &) = delete;
    EntrySource &operator=(const EntrySource &) = delete;
    ~EntrySource() { zip_error_fini(&error); }

    const Item &item() const { return (*run->items)[index]; }
    zip_int64_t fail(int result, int zipError)
    {
        if (run->result == ZpOk)
            run->result = result;
        zip_error_set(&error, zipError, 0);
        return -1;
    }
    bool aborted()
    {
        sinceService = 0;
        return serviceAsksAbort(run->callbacks, item().entry);
    }
    // Takes the next piece, asking the service callback while the workers are busy.
    bool take()
    {
        while (!run->pipeline->take(index, next, piece, ServiceWait))
            if (aborted())
                return false;
        at = 0;
        crc = next == 0 ? piece.crc : std::uint32_t(crc32_combine64(crc, piece.crc, z_off64_t(piece.length)));
        size += piece.length;
        ++next;
        return true;
    }
    zip_int64_t start()
    {
        started = true;
        // The first piece comes within one piece's work: the entries are handed out
        // in order, so no service call is needed before the "adding" line.
        while (!run->pipeline->take(index, 0, piece, ServiceWait)) {
        }
        if (piece.err != 0) {
            // Gone, no longer a file, or unreadable: nothing of it is written yet.
            run->gone = index;
            run->restart = true;
            return fail(ZpOpenError, ZIP_ER_READ);
        }
        crc = piece.crc;
        size = piece.length;
        next = 1;
        count = run->pipeline->pieceCount(index);
        deflated = piece.deflated; // as set for the entry before libzip began
        if (!item().implied && run->announced->insert(item().given).second)
            print(run->callbacks, "  adding: " + item().entry);
        // A folder nobody named holds no data: asked about with the file after it.
        if (!item().implied && aborted())
            return fail(ZpAborted, ZIP_ER_CANCELLED);
        return 0;
    }
    zip_int64_t read(char *data, std::uint64_t len)
    {
        while (at == piece.data.size()) {
            if (next == count) {
                if (!done) {
                    done = true;
                    piece = qv::zip::Piece{}; // libzip keeps every source until the end
                    run->pipeline->finish(index);
                }
                return 0;
            }
            if (!take())
                return fail(ZpAborted, ZIP_ER_CANCELLED);
            if (piece.err != 0)
                return fail(ZpOpenError, ZIP_ER_READ); // part of the entry is written
        }
        if (sinceService >= ServiceBlock && aborted())
            return fail(ZpAborted, ZIP_ER_CANCELLED);
        const std::size_t n = std::size_t(std::min<std::uint64_t>(len, piece.data.size() - at));
        std::memcpy(data, piece.data.data() + at, n);
        at += n;
        sinceService += n;
        return zip_int64_t(n);
    }
    zip_int64_t stat(zip_stat_t *st)
    {
        if (!started && start() < 0)
            return -1;
        zip_stat_init(st);
        // Until the data is read the size is what the file measured; libzip takes
        // its final values from the last call.
        st->size = done || count == 1 ? size : item().size;
        st->mtime = item().mtime;
        st->comp_method = deflated ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD;
        if (done) {
            st->crc = crc;
            st->valid |= ZIP_STAT_CRC;
        }
        return sizeof(*st);
    }
};

zip_int64_t entryCallback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    EntrySource &s = *static_cast<EntrySource *>(userdata);
    try {
        switch (cmd) {
        case ZIP_SOURCE_STAT: {
            auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.error);
            return st ? s.stat(st) : -1;
        }
        case ZIP_SOURCE_OPEN:
            return s.started ? 0 : s.start();
        case ZIP_SOURCE_READ:
            return s.read(static_cast<char *>(data), len);
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s.error, data, len);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                                  ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&s.error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    } catch (...) {
        // Nothing may unwind through libzip's C frames.
        return s.fail(ZpLogicError, ZIP_ER_INTERNAL);
    }
}

int resultFromZipError(int zipError)
{
    switch (zipError) {
    case ZIP_ER_MEMORY:
        return ZpOutOfMemory;
    case ZIP_ER_INTERNAL:
    case ZIP_ER_INVAL:
        return ZpLogicError;
    default:
        return ZpCreateError;
    }
}

int attempt(Run &run, const Settings &settings, const qv::HostPath &target)
{
    const std::deque<Item> &items = *run.items;
    std::vector<qv::zip::Input> inputs;
    inputs.reserve(items.size());
    for (const Item &item : items)
        inputs.push_back({item.hostPath, item.isDir, item.size});
    // Declared before the archive, so that they outlive libzip's last call into them.
    qv::zip::Pipeline pipeline(inputs, settings.level);
    run.pipeline = &pipeline;
    std::vector<EntrySource> sources(items.size());

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *output = qv::zip::createOutput(target, &error);
    zip_t *opened = output ? zip_open_from_source(output, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    const int openError = zip_error_code_zip(&error);
    g_systemError = zip_error_code_system(&error);
    zip_error_fini(&error);
    if (!opened) {
        if (output)
            zip_source_free(output);
        return resultFromZipError(openError);
    }
    std::unique_ptr<zip_t, void (*)(zip_t *)> za(opened, zip_discard);
    auto zipFailure = [&] {
        g_systemError = zip_error_code_system(zip_get_error(za.get()));
        return resultFromZipError(zip_error_code_zip(zip_get_error(za.get())));
    };

    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        EntrySource &s = sources[i];
        s.run = &run;
        s.index = i;
        zip_source_t *src = zip_source_function(za.get(), entryCallback, &s);
        if (!src)
            return zipFailure();
        // Names that are not UTF-8 go in as their bytes, without the UTF-8 flag.
        const zip_int64_t added = zip_file_add(za.get(), item.entry.c_str(), src,
                                               validUtf8(item.entry) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS);
        if (added < 0) {
            zip_source_free(src);
            return zipFailure();
        }
        const auto index = zip_uint64_t(added);
        // Extended timestamp: the modification time in UTC seconds, which the DOS
        // time (local, in 2-second steps) cannot carry. Left out beyond 32 bits.
        bool timeOk = true;
        if (item.mtime >= 0 && item.mtime <= 0x7FFFFFFF) {
            const auto t = std::uint32_t(item.mtime);
            const zip_uint8_t ut[5] = {1, zip_uint8_t(t), zip_uint8_t(t >> 8), zip_uint8_t(t >> 16),
                                       zip_uint8_t(t >> 24)};
            timeOk = zip_file_extra_field_set(za.get(), index, 0x5455, ZIP_EXTRA_FIELD_NEW, ut, sizeof ut,
                                              ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
        }
        const bool store = item.isDir || settings.level == 0;
        if (store && zip_set_file_compression(za.get(), index, ZIP_CM_STORE, 0) != 0)
            return zipFailure();
        if (!timeOk || zip_file_set_mtime(za.get(), index, item.mtime, 0) != 0 ||
            zip_file_set_external_attributes(za.get(), index, 0, ZIP_OPSYS_UNIX, externalAttributes(item)) !=
                0)
            return zipFailure();
    }

    if (zip_close(za.get()) != 0)
        return run.result != ZpOk ? run.result : zipFailure();
    static_cast<void>(za.release()); // zip_close freed it
    return ZpOk;
}

// A file found unreadable when its turn comes cannot be taken out of an archive
// libzip is writing; the attempt is rolled back and made again without it.
int writeArchive(const Settings &settings, std::deque<Item> items, const qv::HostPath &target)
{
    std::unordered_set<std::string> announced;
    for (;;) {
        Run run;
        run.callbacks = g_callbacks;
        run.items = &items;
        run.announced = &announced;
        const int result = attempt(run, settings, target);
        if (!run.restart)
            return result;
        g_skipped.push_back(items[run.gone].given);
        items.erase(items.begin() + std::ptrdiff_t(run.gone));
        if (items.empty())
            return ZpNothingToDo;
    }
}

int archive(int count, const char *archiveName, const char *const *names, ZipHostNameOf hostNameOf,
            void *context)
{
    const Settings settings = g_settings;
    if (!settings.valid)
        return ZpBadOption;
    const bool anyName = names && std::any_of(names, names + count, [](const char *n) { return n && *n; });
    if (!anyName)
        return ZpNothingToDo;
    if (!archiveName || !*archiveName)
        return ZpBadOption;

    Collector collector(settings);
    for (int i = 0; i < count; ++i) {
        if (!names[i] || !*names[i])
            continue;
        const QString windowsPath = fromUtf8(names[i]);
        const char *found = hostNameOf ? hostNameOf(i, context) : nullptr;
        const std::optional<qv::HostPath> host =
            found && *found ? std::optional(qv::HostPath(QByteArray(found))) : hostPathOf(windowsPath);
        Item item;
        bool special = false;
        if (!host || !statItem(*host, item, special)) {
            g_skipped.emplace_back(names[i]); // gone since it was listed
            continue;
        }
        if (special) {
            g_skipped.emplace_back(names[i]); // a pipe, socket or device holds nothing to pack
            continue;
        }
        item.entry = entryNameOf(*host, entryDepthOf(windowsPath, settings.rootFolder));
        item.given = names[i];
        collector.addFolders(item);
        if (!collector.add(std::move(item)))
            return ZpBadOption; // two different files under one entry name
    }
    if (collector.items.empty())
        return ZpNothingToDo; // only special or vanished files, or a drive root without recursion

    const std::optional<qv::HostPath> target = hostPathOf(fromUtf8(archiveName));
    if (!target)
        return ZpCreateError;
    {
        const qv::HostPath folder = target->parent();
        struct stat st {
        };
        const bool found = !folder.isEmpty() && ::stat(folder.c_str(), &st) == 0;
        if (!found || !S_ISDIR(st.st_mode)) {
            g_systemError = found ? ENOTDIR : errno;
            return ZpCreateError;
        }
        if (::stat(target->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            g_systemError = EISDIR;
            return ZpCreateError;
        }
    }
    return writeArchive(settings, collector.items, *target);
}

} // namespace

extern "C" {

int ZpInit(const ZipUserFunctions *callbacks)
{
    g_callbacks = callbacks ? *callbacks : ZipUserFunctions{};
    return ZpOk;
}

int ZpSetOptions(const ZipOptions *options)
{
    Settings s;
    if (!options) {
        s.valid = false;
    } else {
        if (options->level == '\0')
            s.level = DefaultLevel;
        else if (options->level >= '0' && options->level <= '9')
            s.level = options->level - '0';
        else
            s.valid = false;
        // A date filter is not offered: refusing it beats packing files it would leave out.
        if (options->date && *options->date)
            s.valid = false;
        s.includeHidden = options->values[ZipOptionSystemAndHidden] != 0;
        s.recurse = options->values[ZipOptionRecurse] != 0;
        if (options->rootFolder)
            s.rootFolder = fromUtf8(options->rootFolder);
    }
    g_settings = s;
    return s.valid ? ZpOk : ZpBadOption;
}

int ZpArchive(int count, const char *archiveName, const char *const *names)
{
    return ZpArchiveFound(count, archiveName, names, nullptr, nullptr);
}

int ZpArchiveFound(int count, const char *archiveName, const char *const *names, ZipHostNameOf hostNameOf,
                   void *context)
{
    if (count <= 0)
        return ZpNothingToDo;
    if (g_busy)
        return ZpLogicError;
    g_busy = true;
    g_skipped.clear();
    g_systemError = 0;
    int result;
    try {
        result = archive(count, archiveName, names, hostNameOf, context);
    } catch (const std::bad_alloc &) {
        result = ZpOutOfMemory;
    } catch (...) {
        result = ZpLogicError;
    }
    g_busy = false;
    return result;
}

int ZpLastSystemError()
{
    return g_systemError;
}

int ZpSkippedCount()
{
    return g_busy ? 0 : int(g_skipped.size());
}

const char *ZpSkippedName(int index)
{
    if (g_busy || index < 0 || std::size_t(index) >= g_skipped.size())
        return nullptr;
    return g_skipped[std::size_t(index)].c_str();
}

} // extern "C"
