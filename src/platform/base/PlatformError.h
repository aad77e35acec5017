#pragma once
#include <QString>
#include <exception>

namespace qv
{

// The platform runtime's error numbers, as every error handler switches on them.
namespace Err
{
constexpr int InvalidCall = 5;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPropertyValue = 380;
constexpr int IndexOutOfBounds = 35600;
} // namespace Err

// The one exception type that crosses module boundaries.
class PlatformError : public std::exception
{
public:
    PlatformError(int number, QString description);
    explicit PlatformError(int number); // standard description of the number

    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    static QString standardDescription(int number);
    // errno -> runtime number. pathContext: ENOENT on a missing folder gives 76, on a
    // missing file 53 (the caller knows which it was asking for).
    static int numberFromErrno(int err, bool folderMissing = false);
    [[noreturn]] static void raiseErrno(int err, bool folderMissing = false);

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

[[noreturn]] void raiseError(int number);

} // namespace qv
