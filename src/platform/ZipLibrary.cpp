#include "platform/ZipLibrary.h"

#include "platform/DriveTable.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <zip.h>

#include <algorithm>
#include <cerrno>
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
#include <vector>

namespace
{

// Bytes read from a file between two service calls: a few milliseconds of deflate,
// so Esc takes effect at once without the callback costing anything noticeable.
constexpr std::uint64_t ServiceBlock = 256 * 1024;
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

// One entry to be written.
struct Item {
    std::string entry; // "Data/a.txt", folders "Data/sub/"
    QByteArray hostPath;
    bool isDir = false;
    bool walk = false; // a folder whose content goes in as well
    std::uint64_t size = 0;
    time_t mtime = 0;
    mode_t mode = 0;
    dev_t dev = 0;
    ino_t ino = 0;
};

enum class Failure { None, Aborted, ReadFailed, Clash };

struct Run {
    ZipUserFunctions callbacks{};
    Failure failure = Failure::None;
};

// Per-entry libzip source: reads the file only while libzip writes the entry, which
// is also where the entry's "adding" line and service calls belong.
struct Source {
    Run *run = nullptr;
    const Item *item = nullptr;
    int fd = -1;
    std::uint64_t sinceService = 0;
    bool announced = false;
    zip_error_t error{};

    Source() = default;
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;
    ~Source()
    {
        if (fd >= 0)
            ::close(fd);
        zip_error_fini(&error);
    }
};

// UTF-8, where the bytes of names that are not valid UTF-8 stand for themselves.
QString fromUtf8(const char *text)
{
    return qv::hostPathFromBytes(text, qsizetype(std::strlen(text)));
}

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

// Windows path -> entry name: the path without its drive (or relative to the root
// folder when it lies inside it), "/" separators, "." and ".." folded away.
QString entryNameFor(const QString &windowsPath, const QString &rootFolder)
{
    QString rest = windowsPath;
    if (!rootFolder.isEmpty()) {
        QString root = rootFolder;
        if (!isSeparator(root.back()))
            root += u'\\';
        // Outside the root folder the drive rule below applies.
        if (rest.size() > root.size() && rest.startsWith(root, Qt::CaseInsensitive))
            rest = rest.mid(root.size());
    }
    if (rest.size() >= 2 && rest.at(1) == u':')
        rest = rest.mid(2);
    QStringList parts;
    QString part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (!part.isEmpty() && part != ".") {
            parts << part;
        }
        part.clear();
    };
    for (QChar c : rest) {
        if (isSeparator(c))
            flush();
        else
            part += c;
    }
    flush();
    return parts.join(u'/');
}

bool statItem(const QByteArray &hostPath, Item &item, bool &special)
{
    struct stat st {
    };
    if (::stat(hostPath.constData(), &st) != 0)
        return false;
    struct stat lst {
    };
    const bool isLink = ::lstat(hostPath.constData(), &lst) == 0 && S_ISLNK(lst.st_mode);
    special = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
    item.hostPath = hostPath;
    item.isDir = S_ISDIR(st.st_mode);
    item.walk = item.isDir && !isLink; // a linked folder goes in, its content does not
    item.size = S_ISREG(st.st_mode) ? std::uint64_t(st.st_size) : 0;
    item.mtime = st.st_mtim.tv_sec;
    item.mode = st.st_mode;
    item.dev = st.st_dev;
    item.ino = st.st_ino;
    return true;
}

class Collector
{
public:
    explicit Collector(const Settings &settings) : m_settings(settings) {}

    std::deque<Item> items;
    Failure failure = Failure::None;

    // false: stop (failure says why).
    bool add(Item item)
    {
        if (item.isDir && !item.entry.empty())
            item.entry += '/';
        if (!item.entry.empty()) {
            auto [it, inserted] = m_byName.try_emplace(item.entry, items.size());
            if (!inserted) {
                const Item &earlier = items[it->second];
                if (earlier.dev == item.dev && earlier.ino == item.ino)
                    return true; // the same file named twice
                failure = Failure::Clash;
                return false;
            }
            items.push_back(item);
        }
        if (item.isDir && item.walk && m_settings.recurse)
            return walk(item.hostPath, item.entry);
        return true;
    }

private:
    bool walk(const QByteArray &folder, const std::string &prefix)
    {
        DIR *dir = ::opendir(folder.constData());
        if (!dir) {
            failure = Failure::ReadFailed;
            return false;
        }
        std::vector<std::string> names;
        while (dirent *e = ::readdir(dir)) {
            const char *n = e->d_name;
            if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0)
                continue;
            if (std::strchr(n, '\\'))
                continue; // cannot be named by a Windows path
            if (n[0] == '.' && !m_settings.includeHidden)
                continue;
            names.emplace_back(n);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string &name : names) {
            Item child;
            bool special = false;
            const QByteArray path = folder + '/' + QByteArray::fromStdString(name);
            if (!statItem(path, child, special))
                continue; // a dangling link or a file gone since the listing
            if (special)
                continue; // sockets, pipes and devices hold no data to keep
            child.entry = prefix + QFile::decodeName(QByteArray::fromStdString(name)).toStdString();
            if (!add(std::move(child)))
                return false;
        }
        return true;
    }

    const Settings &m_settings;
    std::unordered_map<std::string, std::size_t> m_byName;
};

void print(const Run &run, const std::string &text)
{
    if (run.callbacks.print)
        run.callbacks.print(text.c_str(), static_cast<unsigned long>(text.size()));
}

bool serviceAsksAbort(const Run &run, const std::string &entry)
{
    return run.callbacks.service &&
           run.callbacks.service(entry.c_str(), static_cast<unsigned long>(entry.size())) == 1;
}

zip_int64_t fail(Source &s, Failure why, int zipError, int sysError = 0)
{
    if (s.run->failure == Failure::None)
        s.run->failure = why;
    zip_error_set(&s.error, zipError, sysError);
    return -1;
}

zip_int64_t sourceCallback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    Source &s = *static_cast<Source *>(userdata);
    const Item &item = *s.item;
    try {
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            if (!s.announced) {
                s.announced = true;
                print(*s.run, "  adding: " + item.entry);
            }
            s.sinceService = 0;
            if (serviceAsksAbort(*s.run, item.entry))
                return fail(s, Failure::Aborted, ZIP_ER_CANCELLED);
            if (!item.isDir) {
                s.fd = ::open(item.hostPath.constData(), O_RDONLY | O_CLOEXEC);
                if (s.fd < 0)
                    return fail(s, Failure::ReadFailed, ZIP_ER_OPEN, errno);
                ::posix_fadvise(s.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            }
            return 0;
        case ZIP_SOURCE_READ: {
            if (s.fd < 0)
                return 0;
            if (s.sinceService >= ServiceBlock) {
                s.sinceService = 0;
                if (serviceAsksAbort(*s.run, item.entry))
                    return fail(s, Failure::Aborted, ZIP_ER_CANCELLED);
            }
            ssize_t n;
            do {
                n = ::read(s.fd, data, len);
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                return fail(s, Failure::ReadFailed, ZIP_ER_READ, errno);
            s.sinceService += std::uint64_t(n);
            return n;
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            if (s.fd >= 0) {
                ::close(s.fd);
                s.fd = -1;
            }
            return 0;
        case ZIP_SOURCE_STAT: {
            auto *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.error);
            if (!st)
                return -1;
            zip_stat_init(st);
            st->size = item.size;
            st->mtime = item.mtime;
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(*st);
        }
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
        return fail(s, Failure::ReadFailed, ZIP_ER_INTERNAL);
    }
}

// DOS attribute bits in the low byte, the Unix mode in the high word.
zip_uint32_t externalAttributes(const Item &item)
{
    zip_uint32_t dos = 0;
    if (!(item.mode & S_IWUSR))
        dos |= 0x01;
    const auto slash = item.entry.find_last_of('/', item.entry.size() - (item.isDir ? 2 : 1));
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart < item.entry.size() && item.entry[nameStart] == '.')
        dos |= 0x02;
    if (item.isDir)
        dos |= 0x10;
    return (zip_uint32_t(item.mode & 0xFFFF) << 16) | dos;
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

int resultFromFailure(Failure failure)
{
    switch (failure) {
    case Failure::Aborted:
        return ZpAborted;
    case Failure::ReadFailed:
        return ZpOpenError;
    case Failure::Clash:
        return ZpBadOption;
    case Failure::None:
        break;
    }
    return ZpLogicError;
}

std::optional<QByteArray> hostPathOf(const QString &windowsPath)
{
    const std::optional<QString> host = qv::DriveTable::current().toHost(windowsPath);
    if (!host || host->isEmpty())
        return std::nullopt;
    return qv::hostPathBytes(*host); // names that are not valid UTF-8 keep their bytes
}

int archive(int count, const char *archiveName, const char *const *names)
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
        const std::optional<QByteArray> host = hostPathOf(windowsPath);
        Item item;
        bool special = false;
        if (!host || !statItem(*host, item, special))
            return ZpOpenError;
        if (special)
            continue;
        item.entry = entryNameFor(windowsPath, settings.rootFolder).toStdString();
        if (!collector.add(std::move(item)))
            return resultFromFailure(collector.failure);
    }
    if (collector.items.empty())
        return ZpNothingToDo; // only special files, or a drive root without recursion

    const std::optional<QByteArray> target = hostPathOf(fromUtf8(archiveName));
    if (!target)
        return ZpCreateError;
    {
        const int slash = target->lastIndexOf('/');
        const QByteArray folder = slash <= 0 ? QByteArray("/") : target->left(slash);
        struct stat st {
        };
        if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ZpCreateError;
        if (::stat(target->constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return ZpCreateError;
    }

    Run run;
    run.callbacks = g_callbacks;
    // Declared before za, so that they outlive libzip's last call into them.
    std::vector<Source> sources(collector.items.size());

    // libzip writes to "<name>.XXXXXX" beside the target and renames it into place
    // in zip_close; a failed close removes it.
    int openError = 0;
    std::unique_ptr<zip_t, void (*)(zip_t *)> za(
        zip_open(target->constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError), zip_discard);
    if (!za)
        return resultFromZipError(openError);
    auto zipFailure = [&] { return resultFromZipError(zip_error_code_zip(zip_get_error(za.get()))); };

    for (std::size_t i = 0; i < sources.size(); ++i) {
        const Item &item = collector.items[i];
        Source &s = sources[i];
        s.run = &run;
        s.item = &item;
        zip_error_init(&s.error);
        zip_source_t *src = zip_source_function(za.get(), sourceCallback, &s);
        if (!src)
            return zipFailure();
        const zip_int64_t added = zip_file_add(za.get(), item.entry.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (added < 0) {
            zip_source_free(src);
            return zipFailure();
        }
        const auto index = zip_uint64_t(added);
        const bool store = item.isDir || settings.level == 0;
        if (zip_set_file_compression(za.get(), index, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : zip_uint32_t(settings.level)) != 0 ||
            zip_file_set_mtime(za.get(), index, item.mtime, 0) != 0 ||
            zip_file_set_external_attributes(za.get(), index, 0, ZIP_OPSYS_UNIX, externalAttributes(item)) !=
                0)
            return zipFailure();
    }

    if (zip_close(za.get()) != 0)
        return run.failure != Failure::None ? resultFromFailure(run.failure) : zipFailure();
    za.release(); // zip_close freed it
    return ZpOk;
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
    if (count <= 0)
        return ZpNothingToDo;
    if (g_busy)
        return ZpLogicError;
    g_busy = true;
    int result;
    try {
        result = archive(count, archiveName, names);
    } catch (const std::bad_alloc &) {
        result = ZpOutOfMemory;
    } catch (...) {
        result = ZpLogicError;
    }
    g_busy = false;
    return result;
}

} // extern "C"
