#include "platform/zip/ZipWriter.h"

#include "platform/base/Durable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qv::zip
{

namespace
{

// libzip writes each local header twice (sizes and CRC after the data); the second
// write usually lands inside the buffer, so a small entry costs no system call.
struct Output {
    static constexpr std::size_t Capacity = 1 << 20;
    static constexpr std::uint64_t BackgroundRemoval = 16 << 20;

    QByteArray target, temp;
    int fd = -1;
    std::uint64_t pos = 0;      // where the next write goes
    std::uint64_t end = 0;      // the file's length, buffer included
    std::uint64_t bufStart = 0; // file offset of buf[0]
    std::size_t bufLen = 0;
    std::vector<char> buf;
    zip_error_t error{};

    ~Output()
    {
        discard();
        zip_error_fini(&error);
    }

    zip_int64_t fail(int zipError, int sysError)
    {
        zip_error_set(&error, zipError, sysError);
        return -1;
    }
    bool writeAt(const char *data, std::size_t size, std::uint64_t offset)
    {
        while (size > 0) {
            const ssize_t n = ::pwrite(fd, data, size, off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                zip_error_set(&error, ZIP_ER_WRITE, n < 0 ? errno : ENOSPC);
                return false;
            }
            data += n;
            size -= std::size_t(n);
            offset += std::uint64_t(n);
        }
        return true;
    }
    bool flush()
    {
        const bool ok = bufLen == 0 || writeAt(buf.data(), bufLen, bufStart);
        bufLen = 0;
        bufStart = pos;
        return ok;
    }
    zip_int64_t write(const char *data, std::uint64_t size)
    {
        if (pos < bufStart || pos > bufStart + bufLen || pos - bufStart + size > Capacity) {
            if (!flush())
                return -1;
        }
        if (size >= Capacity) {
            if (!writeAt(data, std::size_t(size), pos))
                return -1;
            bufStart = pos + size;
        } else {
            const std::size_t at = std::size_t(pos - bufStart);
            std::memcpy(buf.data() + at, data, std::size_t(size));
            bufLen = std::max(bufLen, at + std::size_t(size));
        }
        pos += size;
        end = std::max(end, pos);
        return zip_int64_t(size);
    }
    void discard()
    {
        if (fd < 0)
            return;
        ::close(fd);
        fd = -1;
        // Freeing a large file's blocks takes a while (a tenth of a second for
        // 250 MB): Esc must not wait for it. A run killed meanwhile leaves a name
        // the next run into this folder removes.
        if (end > BackgroundRemoval)
            std::thread([path = temp] { ::unlink(path.constData()); }).detach();
        else
            ::unlink(temp.constData());
    }
    zip_int64_t begin()
    {
        discard();
        temp = target + ".XXXXXX";
        // mkostemp creates the file 0600 whatever the umask.
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return fail(ZIP_ER_TMPOPEN, errno);
        buf.resize(Capacity);
        pos = end = bufStart = 0;
        bufLen = 0;
        return 0;
    }
    zip_int64_t commit()
    {
        if (!flush())
            return -1;
        // The archive is renamed into place (and its marks cleared) only once its data
        // would survive a power cut; the rename itself once its folder is synced.
        if (const int err = durable::sync(durable::What::File, fd); err != 0) {
            ::close(fd);
            fd = -1;
            ::unlink(temp.constData());
            return fail(ZIP_ER_WRITE, err);
        }
        if (::close(fd) != 0) {
            fd = -1;
            ::unlink(temp.constData());
            return fail(ZIP_ER_WRITE, errno);
        }
        fd = -1;
        if (::rename(temp.constData(), target.constData()) != 0) {
            const int err = errno;
            ::unlink(temp.constData());
            return fail(ZIP_ER_RENAME, err);
        }
        buf = {};
        const qsizetype slash = target.lastIndexOf('/');
        const int folder =
            ::open(slash <= 0 ? "/" : target.left(slash).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int err = folder < 0 ? errno : durable::sync(durable::What::Folder, folder);
        if (folder >= 0)
            ::close(folder);
        return err == 0 ? 0 : fail(ZIP_ER_WRITE, err);
    }
};

zip_int64_t outputCallback(void *userdata, void *data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    auto *o = static_cast<Output *>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_STAT:
        // No archive to read: libzip starts a new one.
        return o->fail(ZIP_ER_READ, ENOENT);
    case ZIP_SOURCE_BEGIN_WRITE:
        return o->begin();
    case ZIP_SOURCE_WRITE:
        return o->write(static_cast<const char *>(data), len);
    case ZIP_SOURCE_SEEK_WRITE: {
        auto *args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &o->error);
        if (!args)
            return -1;
        const zip_int64_t base = args->whence == SEEK_SET   ? 0
                                 : args->whence == SEEK_CUR ? zip_int64_t(o->pos)
                                                            : zip_int64_t(o->end);
        if (base + args->offset < 0)
            return o->fail(ZIP_ER_INVAL, 0);
        o->pos = std::uint64_t(base + args->offset);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return zip_int64_t(o->pos);
    case ZIP_SOURCE_COMMIT_WRITE:
        return o->commit();
    case ZIP_SOURCE_ROLLBACK_WRITE:
        o->discard();
        return 0;
    case ZIP_SOURCE_REMOVE:
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_READ:
    case ZIP_SOURCE_SEEK:
    case ZIP_SOURCE_TELL:
        return o->fail(ZIP_ER_OPNOTSUPP, 0);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&o->error, data, len);
    case ZIP_SOURCE_FREE:
        delete o;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
    default:
        return o->fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

zip_source_t *createOutput(const HostPath &target, zip_error_t *error)
{
    auto *o = new Output;
    o->target = target.bytes();
    zip_error_init(&o->error);
    zip_source_t *src = zip_source_function_create(outputCallback, o, error);
    if (!src)
        delete o;
    return src;
}

} // namespace qv::zip
