#include "platform/paths/WinPath.h"

namespace qv
{

namespace
{
const QChar kSep = u'\\';

bool hasDrivePrefix(const QString &t)
{
    return t.size() >= 2 && t.at(1) == u':' && t.at(0).isLetter() && t.at(0).unicode() < 128;
}
} // namespace

bool WinPath::isDriveRoot() const
{
    return m_text.size() == 3 && hasDrivePrefix(m_text) && m_text.at(2) == kSep;
}

QChar WinPath::driveLetter() const
{
    return hasDrivePrefix(m_text) ? m_text.at(0).toUpper() : QChar();
}

QString WinPath::driveRoot() const
{
    const QChar l = driveLetter();
    return l.isNull() ? QString() : driveRootOf(l);
}

QString WinPath::driveRootOf(QChar letter)
{
    return QString(letter.toUpper()) + QStringLiteral(":\\");
}

bool WinPath::endsWithSeparator() const
{
    return m_text.endsWith(kSep);
}

WinPath WinPath::withTrailingSeparator() const
{
    return endsWithSeparator() ? *this : WinPath(m_text + kSep);
}

WinPath WinPath::withoutTrailingSeparator() const
{
    QString t = m_text;
    while (t.endsWith(kSep) && !WinPath(t).isDriveRoot())
        t.chop(1);
    return WinPath(t);
}

WinPath WinPath::operator/(const QString &name) const
{
    if (m_text.isEmpty())
        return WinPath(name);
    qsizetype skip = 0;
    while (skip < name.size() && name.at(skip) == kSep)
        ++skip;
    return WinPath(withTrailingSeparator().m_text + name.mid(skip));
}

QString WinPath::fileName() const
{
    const qsizetype i = m_text.lastIndexOf(kSep);
    return i < 0 ? m_text : m_text.mid(i + 1);
}

QStringView WinPath::fileNameOf(QStringView path)
{
    return path.mid(path.lastIndexOf(kSep) + 1);
}

WinPath WinPath::parent() const
{
    const qsizetype i = m_text.lastIndexOf(kSep);
    return i < 0 ? WinPath() : WinPath(m_text.left(i + 1));
}

QString WinPath::lastFolder() const
{
    const QString t = withTrailingSeparator().m_text;
    const qsizetype before = t.lastIndexOf(kSep, t.size() - 2);
    return t.mid(before + 1, t.size() - before - 2);
}

QString WinPath::relativeTo(const WinPath &folder) const
{
    if (!startsWith(folder))
        return m_text;
    QString rest = m_text.mid(folder.m_text.size());
    if (!folder.endsWithSeparator() && rest.startsWith(kSep))
        rest.remove(0, 1);
    return rest;
}

QStringList WinPath::folderChain() const
{
    const QString t = withoutTrailingSeparator().m_text;
    QStringList chain;
    for (qsizetype from = 0, i = 0; (i = t.indexOf(kSep, from)) >= 0; from = i + 1) {
        if (i > from) // an empty name is no folder of its own
            chain << (i == 2 && hasDrivePrefix(t) ? t.left(3) : t.left(i));
    }
    if (!t.isEmpty() && (chain.isEmpty() || chain.last() != t))
        chain << t;
    return chain;
}

QStringList WinPath::resolvedNames() const
{
    const QStringView rest = QStringView(m_text).mid(hasDrivePrefix(m_text) ? 2 : 0);
    QStringList names;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] != kSep && rest[i] != u'/')
            continue;
        const QStringView name = rest.mid(start, i - start);
        start = i + 1;
        if (name == u"..") {
            if (!names.isEmpty())
                names.removeLast();
        } else if (!name.isEmpty() && name != u".") {
            names.append(name.toString());
        }
    }
    return names;
}

bool WinPath::startsWith(const WinPath &prefix) const
{
    return m_text.startsWith(prefix.m_text, Qt::CaseInsensitive);
}

bool WinPath::equals(const WinPath &other) const
{
    return m_text.compare(other.m_text, Qt::CaseInsensitive) == 0;
}

} // namespace qv
