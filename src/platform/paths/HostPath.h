#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace qv
{

// A path on the host: the bytes system calls take, and the same as text for messages
// and logs (UTF-8 where valid, other bytes carried, see hostPathFromBytes). It never
// turns into a QString, a QByteArray or a WinPath by itself: only through text(),
// bytes() or the drive table.
class HostPath
{
public:
    HostPath() = default;
    explicit HostPath(QByteArray bytes);
    // The text form back to bytes (carried bytes become themselves again).
    static HostPath fromText(const QString &text);

    const QByteArray &bytes() const { return m_bytes; }
    const char *c_str() const { return m_bytes.constData(); }
    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    // The path as Qt's file classes take it (they encode it back to these very bytes);
    // none where they cannot name it, as with bytes that are not UTF-8.
    std::optional<QString> forQt() const;

    // Joined with exactly one "/" (itself when relative is empty); the text is joined
    // apart from the bytes, so a carried byte never meets a character across the "/".
    HostPath operator/(QByteArrayView relative) const;
    HostPath operator/(const QString &relative) const;
    // The folder part, without the last "/" ("/" for a name in the root).
    HostPath parent() const;

    bool operator==(const HostPath &other) const { return m_bytes == other.m_bytes; }

private:
    QByteArray m_bytes;
    QString m_text;
};

} // namespace qv
