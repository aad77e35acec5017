#include "platform/WinPath.h"

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
    return l.isNull() ? QString() : QString(l) + QStringLiteral(":\\");
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

bool WinPath::startsWith(const WinPath &prefix) const
{
    return m_text.startsWith(prefix.m_text, Qt::CaseInsensitive);
}

bool WinPath::containsText(const WinPath &other) const
{
    return m_text.contains(other.m_text, Qt::CaseInsensitive);
}

bool WinPath::equals(const WinPath &other) const
{
    return m_text.compare(other.m_text, Qt::CaseInsensitive) == 0;
}

} // namespace qv
