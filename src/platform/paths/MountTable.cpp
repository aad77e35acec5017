#include "platform/paths/MountTable.h"

#include "platform/paths/DriveTable.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <algorithm>

namespace qv
{

namespace
{

QByteArray unescapeMountBytes(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int v = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

QString unescapeMount(const QByteArray &field)
{
    return hostPathFromBytes(unescapeMountBytes(field));
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
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf("-");
        if (f.size() < 5 || dash < 0 || dash + 2 >= f.size())
            continue;
        MountInfo m;
        const QList<QByteArray> mm = f.at(2).split(':');
        m.major = mm.value(0).toInt();
        m.minor = mm.value(1).toInt();
        m.root = unescapeMountBytes(f.at(3));
        m.mountPoint = unescapeMount(f.at(4));
        m.fsType = QString::fromUtf8(f.at(dash + 1));
        m.source = unescapeMount(f.at(dash + 2));
        m.options = f.value(dash + 3);
        std::erase_if(mounts, [&](const MountInfo &o) { return o.mountPoint == m.mountPoint; });
        mounts.push_back(std::move(m));
    }
    return mounts;
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
