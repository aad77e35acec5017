#include "platform/base/PlatformError.h"

#include <cerrno>

namespace qv
{

PlatformError::PlatformError(int number, QString description)
    : m_number(number), m_description(std::move(description))
{
    m_what = QByteArray::number(number) + ' ' + m_description.toUtf8();
}

PlatformError::PlatformError(int number) : PlatformError(number, standardDescription(number)) {}

QString PlatformError::standardDescription(int number)
{
    switch (number) {
    case 5:
        return QStringLiteral("Invalid procedure call or argument");
    case 7:
        return QStringLiteral("Out of memory");
    case 9:
        return QStringLiteral("Subscript out of range");
    case 52:
        return QStringLiteral("Bad file name or number");
    case 53:
        return QStringLiteral("File not found");
    case 57:
        return QStringLiteral("Device I/O error");
    case 58:
        return QStringLiteral("File already exists");
    case 61:
        return QStringLiteral("Disk full");
    case 62:
        return QStringLiteral("Input past end of file");
    case 67:
        return QStringLiteral("Too many files");
    case 68:
        return QStringLiteral("Device unavailable");
    case 70:
        return QStringLiteral("Permission denied");
    case 71:
        return QStringLiteral("Disk not ready");
    case 74:
        return QStringLiteral("Can't rename with different drive");
    case 75:
        return QStringLiteral("Path/File access error");
    case 76:
        return QStringLiteral("Path not found");
    case 380:
        return QStringLiteral("Invalid property value");
    case 35600:
        return QStringLiteral("Index out of bounds");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

// The one place where host error codes become runtime numbers.
int PlatformError::numberFromErrno(int err, bool folderMissing)
{
    switch (err) {
    case ENOENT:
        return folderMissing ? Err::PathNotFound : Err::FileNotFound;
    case ENOTDIR:
        return Err::PathNotFound;
    case ENOSPC:
    case EDQUOT:
        return Err::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
    case EAGAIN:
        return Err::PermissionDenied;
    case EISDIR:
    case ENOTEMPTY:
    case ELOOP:
    // A name the host cannot hold, or a file too big for the target file system:
    // the copy engine tolerates 75 and goes on with the next file.
    case ENAMETOOLONG:
    case EFBIG:
        return Err::PathFileAccess;
    case EILSEQ:
    case EBADF:
        return Err::BadFileName;
    case EEXIST:
        return 58;
    case EXDEV:
        return 74;
    case EIO:
        return 57;
    case EMFILE:
    case ENFILE:
        return 67;
    case ENOMEM:
        return 7;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ETIMEDOUT:
        return Err::DeviceUnavailable;
    case EINVAL:
    case ENOTSUP:
    case ENOSYS:
        return Err::InvalidCall;
    default:
        return Err::PathFileAccess;
    }
}

void PlatformError::raiseErrno(int err, bool folderMissing)
{
    throw PlatformError(numberFromErrno(err, folderMissing));
}

void raiseError(int number)
{
    throw PlatformError(number);
}

} // namespace qv
