#include "platform/paths/HostPath.h"

#include "platform/paths/DriveTable.h"

#include <QFile>

namespace qv
{

HostPath::HostPath(QByteArray bytes) : m_bytes(std::move(bytes)), m_text(hostPathFromBytes(m_bytes)) {}

HostPath HostPath::fromText(const QString &text)
{
    HostPath p;
    p.m_bytes = hostPathBytes(text);
    p.m_text = text;
    return p;
}

std::optional<QString> HostPath::forQt() const
{
    QString name = QFile::decodeName(m_bytes);
    if (QFile::encodeName(name) != m_bytes)
        return std::nullopt;
    return name;
}

HostPath HostPath::operator/(QByteArrayView relative) const
{
    if (relative.isEmpty())
        return *this;
    QByteArray joined = m_bytes;
    if (!joined.endsWith('/'))
        joined += '/';
    joined += relative;
    return HostPath(std::move(joined));
}

HostPath HostPath::operator/(const QString &relative) const
{
    if (relative.isEmpty())
        return *this;
    HostPath p = *this;
    if (!p.m_bytes.endsWith('/')) {
        p.m_bytes += '/';
        p.m_text += u'/';
    }
    p.m_bytes += hostPathBytes(relative);
    p.m_text += relative;
    return p;
}

HostPath HostPath::parent() const
{
    const qsizetype slash = m_bytes.lastIndexOf('/');
    if (slash < 0)
        return {};
    return HostPath(m_bytes.left(slash == 0 ? 1 : slash));
}

} // namespace qv
