#include "platform/system/SessionBus.h"

#include <QList>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qv::sessionbus
{

namespace
{

using Clock = std::chrono::steady_clock;

// The session bus spoken to directly over its socket, every wait bounded by one
// deadline (a library's own connection may block for minutes on a silent bus).
class Bus
{
public:
    explicit Bus(Clock::time_point deadline) : m_deadline(deadline) {}
    ~Bus()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // The first "unix:path=" or "unix:abstract=" address of the list.
    bool connect(const QByteArray &addresses)
    {
        for (const QByteArray &address : addresses.split(';')) {
            if (!address.startsWith("unix:"))
                continue;
            for (const QByteArray &pair : address.mid(5).split(',')) {
                const bool abstract = pair.startsWith("abstract=");
                if (!abstract && !pair.startsWith("path="))
                    continue;
                const QByteArray path = QByteArray::fromPercentEncoding(pair.mid(pair.indexOf('=') + 1));
                sockaddr_un sa{};
                sa.sun_family = AF_UNIX;
                const std::size_t offset = abstract ? 1 : 0;
                if (path.isEmpty() || std::size_t(path.size()) + offset >= sizeof sa.sun_path)
                    continue;
                std::memcpy(sa.sun_path + offset, path.constData(), std::size_t(path.size()));
                const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset +
                                                   std::size_t(path.size()) + (abstract ? 0 : 1));
                m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr *>(&sa), length) == 0)
                    return true;
                if (m_fd >= 0 && errno == EINPROGRESS && wait(POLLOUT))
                    return true;
                if (m_fd >= 0)
                    ::close(m_fd);
                m_fd = -1;
            }
        }
        return false;
    }

    bool authenticate()
    {
        if (!send(QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n"))
            return false;
        QByteArray line;
        while (!line.endsWith("\r\n")) {
            const QByteArray more = receive(1);
            if (more.isEmpty() || line.size() > 512)
                return false;
            line += more;
        }
        return line.startsWith("OK ") && send("BEGIN\r\n");
    }

    bool send(const QByteArray &data)
    {
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t n =
                ::send(m_fd, data.constData() + done, std::size_t(data.size() - done), MSG_NOSIGNAL);
            if (n > 0)
                done += n;
            else if (!(n < 0 && (errno == EAGAIN || errno == EINTR) && wait(POLLOUT)))
                return false;
        }
        return true;
    }

    // Exactly n bytes, or nothing when the deadline passes or the bus hangs up.
    QByteArray receive(qsizetype n)
    {
        QByteArray data(n, Qt::Uninitialized);
        for (qsizetype done = 0; done < n;) {
            const ssize_t got = ::recv(m_fd, data.data() + done, std::size_t(n - done), 0);
            if (got > 0)
                done += got;
            else if (!(got < 0 && (errno == EAGAIN || errno == EINTR) && wait(POLLIN)))
                return {};
        }
        return data;
    }

private:
    bool wait(short events)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{m_fd, events, 0};
        return ::poll(&p, 1, int(left.count())) == 1 && !(p.revents & (POLLERR | POLLNVAL));
    }

    int m_fd = -1;
    Clock::time_point m_deadline;
};

QByteArray methodCall(quint32 serial, const QByteArray &destination, const QByteArray &path,
                      const QByteArray &interface, const QByteArray &member, const QByteArray &signature,
                      const QByteArray &body)
{
    Body m;
    m.byte('l');
    m.byte(1); // a method call
    m.byte(0);
    m.byte(1); // protocol version
    m.uint32(quint32(body.size()));
    m.uint32(serial);
    struct Field {
        char code, type;
        QByteArray value;
    };
    QList<Field> fields{{1, 'o', path}, {2, 's', interface}, {3, 's', member}, {6, 's', destination}};
    if (!signature.isEmpty())
        fields.append({8, 'g', signature});
    m.array(8, [&] {
        for (const Field &f : fields) {
            m.align(8);
            m.byte(f.code);
            m.signature(QByteArray(1, f.type));
            if (f.type == 'g')
                m.signature(f.value);
            else
                m.string(f.value);
        }
    });
    m.align(8);
    return m.data() + body;
}

quint32 readUint32(const QByteArray &d, qsizetype at, bool little)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(d[at + i])) << (little ? 8 * i : 8 * (3 - i));
    return v;
}

// Reads messages until the reply to serial: whether it was a return, not an error.
bool awaitReply(Bus &bus, quint32 serial)
{
    for (;;) {
        QByteArray m = bus.receive(16);
        if (m.isEmpty())
            return false;
        const bool little = m[0] == 'l';
        const char type = m[1];
        const quint32 bodyLength = readUint32(m, 4, little);
        const quint32 fieldsLength = readUint32(m, 12, little);
        if (fieldsLength > (1u << 26) || bodyLength > (1u << 27))
            return false;
        const qsizetype fieldsEnd = 16 + qsizetype(fieldsLength);
        const qsizetype rest = (fieldsEnd + 7) / 8 * 8 - 16 + qsizetype(bodyLength);
        const QByteArray more = bus.receive(rest);
        if (rest > 0 && more.isEmpty())
            return false;
        m += more;
        // The header fields: the reply serial is field 5, of type "u".
        const auto u32 = [&](qsizetype at) { return at + 4 <= m.size() ? readUint32(m, at, little) : 0; };
        for (qsizetype at = 16; at + 4 <= fieldsEnd;) {
            at = (at + 7) / 8 * 8;
            if (at + 8 > m.size())
                break;
            const char code = m[at];
            const int sigLength = quint8(m[at + 1]);
            if (sigLength != 1)
                break;
            const char sig = m[at + 2];
            at += 4;
            if (sig == 'u') {
                at = (at + 3) / 4 * 4;
                if (code == 5 && u32(at) == serial && (type == 2 || type == 3))
                    return type == 2;
                at += 4;
            } else if (sig == 's' || sig == 'o') {
                at = (at + 3) / 4 * 4;
                at += 4 + qsizetype(u32(at)) + 1;
            } else if (sig == 'g') {
                at += 1 + (at < m.size() ? quint8(m[at]) : 0) + 1;
            } else {
                break;
            }
        }
    }
}

} // namespace

bool call(const QByteArray &addresses, const QByteArray &destination, const QByteArray &path,
          const QByteArray &interface, const QByteArray &member, const QByteArray &signature,
          const Body &body, std::chrono::milliseconds timeout)
{
    Bus bus(Clock::now() + timeout);
    if (!bus.connect(addresses) || !bus.authenticate())
        return false;
    const QByteArray hello = methodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus", "Hello", {}, {});
    return bus.send(hello + methodCall(2, destination, path, interface, member, signature, body.data())) &&
           awaitReply(bus, 2);
}

} // namespace qv::sessionbus
