#pragma once
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QRect>
#include <cstring>

// Drawing that depends only on its inputs and the pixels it lands on gives the same
// pixels when repeated over the same pixels. The cache keeps, per drawing (Key: every
// input besides the pixels), the pixels of its area before and after; drawn again over
// unchanged pixels, the pixels after are copied in instead of drawing again. Exact: the
// pixels before are compared in full, not by a digest.
template <class Key> class DrawnOutcomeCache
{
public:
    DrawnOutcomeCache(int maxEntries, qint64 maxBytes) : m_maxEntries(maxEntries), m_maxBytes(maxBytes) {}

    // The 32-bit image under the painter when an outcome can be kept for a drawing that
    // changes only the pixels of deviceArea (device pixels), else null. area becomes
    // deviceArea within the image.
    static QImage *Target(QPainter &p, const QRect &deviceArea, QRect &area)
    {
        QPaintDevice *dev = p.device();
        if (!dev || dev->devType() != QInternal::Image || dev->devicePixelRatio() != 1)
            return nullptr;
        auto *img = static_cast<QImage *>(dev);
        if (img->format() != QImage::Format_ARGB32_Premultiplied && img->format() != QImage::Format_RGB32)
            return nullptr;
        area = deviceArea & img->rect();
        if (area.isEmpty() || qint64(area.width()) * area.height() > (1 << 18))
            return nullptr;
        return img;
    }

    // Copies the kept outcome into area when the pixels there are those it was drawn over.
    // shift maps the painter's coordinates to the image's (a whole-pixel shift).
    bool Replay(QPainter &p, const QImage &image, const QRect &area, const QPoint &shift, const Key &key)
    {
        QImage after;
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_entries.find(key);
            if (it == m_entries.end() || it->before.size() != area.size())
                return false;
            const qsizetype rowBytes = qsizetype(area.width()) * 4;
            for (int y = 0; y < area.height(); ++y) {
                const uchar *now = image.constScanLine(area.top() + y) + qsizetype(area.left()) * 4;
                if (std::memcmp(now, it->before.constScanLine(y), size_t(rowBytes)) != 0)
                    return false;
            }
            it->lastUse = ++m_uses;
            after = it->after;
        }
        const QPainter::CompositionMode mode = p.compositionMode();
        const qreal opacity = p.opacity();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setOpacity(1.0);
        p.drawImage(area.topLeft() - shift, after);
        p.setOpacity(opacity);
        p.setCompositionMode(mode);
        return true;
    }

    void Record(const Key &key, const QImage &before, const QImage &after)
    {
        const qint64 bytes = before.sizeInBytes() + after.sizeInBytes();
        if (bytes > m_maxBytes)
            return;
        QMutexLocker lock(&m_mutex);
        if (auto it = m_entries.find(key); it != m_entries.end()) {
            m_bytes -= it->before.sizeInBytes() + it->after.sizeInBytes();
            m_entries.erase(it);
        }
        while (!m_entries.isEmpty() && (m_entries.size() >= m_maxEntries || m_bytes + bytes > m_maxBytes)) {
            auto oldest = m_entries.begin();
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
                if (it->lastUse < oldest->lastUse)
                    oldest = it;
            m_bytes -= oldest->before.sizeInBytes() + oldest->after.sizeInBytes();
            m_entries.erase(oldest);
        }
        m_bytes += bytes;
        m_entries.insert(key, Entry{before, after, ++m_uses});
    }

    void Clear()
    {
        QMutexLocker lock(&m_mutex);
        m_entries.clear();
        m_bytes = 0;
    }

private:
    struct Entry {
        QImage before, after;
        quint64 lastUse = 0;
    };
    QMutex m_mutex;
    QHash<Key, Entry> m_entries;
    const int m_maxEntries;
    const qint64 m_maxBytes;
    qint64 m_bytes = 0;
    quint64 m_uses = 0;
};
