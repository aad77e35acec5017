#include "platform/paths/MountTable.h"

#include "platform/paths/DriveTable.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <optional>

namespace qv
{

namespace
{

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// The kernel writes blanks, tabs, newlines and backslashes as \ooo. Empty when the
// field holds a NUL, which no host path can.
std::optional<QByteArray> unescapeMountBytes(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            out.append(char((field[i + 1] - '0') << 6 | (field[i + 2] - '0') << 3 | (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.append(field[i]);
    }
    if (out.contains('\0'))
        return std::nullopt;
    return out;
}

// udev names escape blanks and other bytes as \xHH.
QString unescapeUdev(const QString &name)
{
    QByteArray in = name.toUtf8(), out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int v = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return QString::fromUtf8(out);
}

} // namespace

std::vector<MountInfo> parseMountInfo(const QByteArray &text)
{
    std::vector<MountInfo> mounts;
    QHash<QString, size_t> latest; // mount point -> its entry in mounts
    std::vector<bool> hidden;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 2 >= f.size())
            continue;
        const auto root = unescapeMountBytes(f.at(3));
        const auto mountPoint = unescapeMountBytes(f.at(4));
        const auto source = unescapeMountBytes(f.at(dash + 2));
        if (!root || !mountPoint || !source)
            continue;
        MountInfo m;
        const QList<QByteArray> mm = f.at(2).split(':');
        m.major = mm.value(0).toInt();
        m.minor = mm.value(1).toInt();
        m.root = *root;
        m.mountPoint = hostPathFromBytes(*mountPoint);
        m.fsType = QString::fromUtf8(f.at(dash + 1));
        m.source = hostPathFromBytes(*source);
        m.options = f.value(dash + 3);
        // A later mount on the same point hides the earlier one; order is otherwise kept.
        const auto it = latest.find(m.mountPoint);
        if (it != latest.end()) {
            hidden[*it] = true;
            *it = mounts.size();
        } else {
            latest.insert(m.mountPoint, mounts.size());
        }
        mounts.push_back(std::move(m));
        hidden.push_back(false);
    }
    std::vector<MountInfo> shown;
    shown.reserve(latest.size());
    for (size_t i = 0; i < mounts.size(); ++i)
        if (!hidden[i])
            shown.push_back(std::move(mounts[i]));
    return shown;
}

QHash<QString, QString> diskNames(const QString &folder)
{
    QHash<QString, QString> names;
    QDir dir(folder);
    for (const QFileInfo &fi : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        names.insert(fi.canonicalFilePath(), unescapeUdev(fi.fileName()));
    return names;
}

} // namespace qv
