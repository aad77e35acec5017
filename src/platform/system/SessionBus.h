#pragma once
// One method call on the session bus, spoken over its socket with every wait bounded
// by one deadline: a library's own connection may block for minutes on a bus that
// accepts and never answers.
#include <QByteArray>

#include <chrono>

namespace qv::sessionbus
{

// A call's arguments in the bus's little-endian wire format, added in order.
// Offsets are the message body's, which starts aligned to 8.
class Body
{
public:
    void align(int n)
    {
        while (m_data.size() % n)
            m_data += '\0';
    }
    void byte(char c) { m_data += c; }
    void uint32(quint32 v)
    {
        align(4);
        for (int i = 0; i < 4; ++i)
            m_data += char(v >> (8 * i));
    }
    void string(const QByteArray &s)
    {
        uint32(quint32(s.size()));
        m_data += s;
        m_data += '\0';
    }
    void signature(const QByteArray &s)
    {
        m_data += char(s.size());
        m_data += s;
        m_data += '\0';
    }
    // An array of the elements write() adds, aligned to elementAlignment.
    template <typename Write> void array(int elementAlignment, Write write)
    {
        uint32(0);
        const qsizetype lengthAt = m_data.size() - 4;
        align(elementAlignment);
        const qsizetype start = m_data.size();
        write();
        const auto length = quint32(m_data.size() - start);
        for (int i = 0; i < 4; ++i)
            m_data[lengthAt + i] = char(length >> (8 * i));
    }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

// Calls member with body (of signature) at the first "unix:path=" or
// "unix:abstract=" address of addresses; true when a return (not an error) came
// within timeout.
bool call(const QByteArray &addresses, const QByteArray &destination, const QByteArray &path,
          const QByteArray &interface, const QByteArray &member, const QByteArray &signature,
          const Body &body, std::chrono::milliseconds timeout);

} // namespace qv::sessionbus
