#include "controls/drawing/SimpleLineText.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QTextLayout>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace SimpleLineText
{

namespace
{

// Distances and sizes in 1/64 pixel, as the painter's layout counts them.
constexpr int Unknown = INT_MIN;
constexpr int NotSimple = INT_MIN + 1;

bool latin1Printable(char16_t c)
{
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF && c != 0xAD);
}

int sixtyFourths(qreal v)
{
    return int(std::lround(v * 64));
}

// As the layout turns a position into 1/64 pixels: cut, not rounded.
int fromReal(qreal v)
{
    return int(v * 64);
}

// Qt's premultiplied multiply and blend, so that laying glyph pictures over each other
// gives the bytes the painter gives when it blends the glyphs into a transparent layer.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

struct Glyph {
    QImage image;  // the glyph's pixels on a transparent ground, trimmed to its ink
    QPoint offset; // the image's corner relative to the whole pixel of the glyph's origin
    const uchar *bits = nullptr;
    qsizetype bytesPerLine = 0;
    int width = 0, height = 0;
    bool outsized = false;
};

struct Shaped {
    std::vector<int> x;
    std::vector<quint32> index;
    int width = 0, ascent = 0;
};

// One glyph of a text: a character, or a ligature of characters (an id from 256 on).
struct Unit {
    QString text;
    quint32 glyph = 0;
    int advance = 0;
    bool space = false;
};

class FontData
{
public:
    FontData(const QFont &font, const QImage &layer)
        : m_font(font), m_device(1, 1, QImage::Format_ARGB32_Premultiplied)
    {
        m_device.setDotsPerMeterX(layer.dotsPerMeterX());
        m_device.setDotsPerMeterY(layer.dotsPerMeterY());
        m_singles.assign(256, Unknown);
        m_pairs.assign(256 * 256, Unknown);
        m_units.resize(256);
        m_pixelSize = QFontInfo(QFont(font, &m_device)).pixelSize();
        m_supported = m_pixelSize > 0 && selfCheck();
        if (m_supported)
            findPhaseGroups();
    }

    bool matches(const QFont &font, const QImage &layer) const
    {
        return font == m_font && layer.dotsPerMeterX() == m_device.dotsPerMeterX() &&
               layer.dotsPerMeterY() == m_device.dotsPerMeterY();
    }
    bool supported() const { return m_supported; }
    int ascent() const { return m_ascent; }
    int pixelSize() const { return m_pixelSize; }

    // The glyphs of text (ids), their positions from the first one's origin and the sum
    // of their advances; false when the text does not break up into simple steps or is
    // nothing but spaces.
    bool place(const QString &text, std::vector<int> &ids, std::vector<int> &x, int &width)
    {
        ids.clear();
        x.clear();
        int current = single(text.front().unicode());
        if (current == NotSimple)
            return false;
        int pos = 0, lastInk = -1;
        auto close = [&] {
            ids.push_back(current);
            x.push_back(pos);
            if (!m_units[size_t(current)].space)
                lastInk = int(ids.size()) - 1;
        };
        for (qsizetype i = 1; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            int ligature = 0;
            const int step = join(current, c, ligature);
            if (step == NotSimple)
                return false;
            if (ligature) {
                current = ligature;
                continue;
            }
            close();
            pos += step;
            current = int(c);
        }
        close();
        width = pos + m_units[size_t(current)].advance;
        return lastInk >= 0;
    }

    const Glyph &glyph(int unit, int phase, QRgb colour)
    {
        if (colour != m_glyphColour) {
            m_glyphs.clear();
            m_glyphColour = colour;
        }
        if (m_glyphs.size() < m_units.size() * 64)
            m_glyphs.resize(m_units.size() * 64);
        // Positions in one group give the same glyph (see findPhaseGroups).
        phase = m_phaseGroup[size_t(phase)];
        std::unique_ptr<Glyph> &g = m_glyphs[size_t(unit) * 64 + size_t(phase)];
        if (!g)
            g = std::make_unique<Glyph>(render(m_units[size_t(unit)].text, phase, colour));
        return *g;
    }

private:
    // The character as a glyph of its own, or NotSimple.
    int single(char16_t c)
    {
        int &state = m_singles[c];
        if (state != Unknown)
            return state;
        state = NotSimple;
        Shaped s;
        if (!QFontMetrics(m_font, &m_device).inFont(QChar(c)) || !shape(QString(QChar(c)), s) ||
            s.x.size() != 1 || s.x[0] != 0)
            return state;
        m_units[c] = Unit{QString(QChar(c)), s.index[0], s.width, c == u' '};
        state = int(c);
        return state;
    }

    // The step from glyph unit to the glyph of c following it; or 0 with ligature set
    // when the two make one glyph; or NotSimple.
    int join(int unit, char16_t c, int &ligature)
    {
        ligature = 0;
        int *slot = nullptr;
        int stored = Unknown;
        if (unit < 256) {
            slot = &m_pairs[size_t(unit) * 256 + c];
            stored = *slot;
        } else if (auto it = m_joins.find(quint64(unit) << 16 | c); it != m_joins.end()) {
            stored = *it;
        }
        if (stored == Unknown) {
            stored = measureJoin(unit, c);
            if (slot)
                *slot = stored;
            else
                m_joins.insert(quint64(unit) << 16 | c, stored);
        }
        if (stored <= -(1 << 20) && stored != NotSimple) {
            ligature = -(stored + (1 << 20)); // a ligature's id, stored below every step
            return 0;
        }
        return stored;
    }

    int measureJoin(int unit, char16_t c)
    {
        if (single(c) == NotSimple)
            return NotSimple;
        const Unit &first = m_units[size_t(unit)];
        const QString both = first.text + QChar(c);
        Shaped s;
        if (!shape(both, s) || s.x.empty() || s.x[0] != 0)
            return NotSimple;
        if (s.x.size() == 1) {
            // One glyph for both: a ligature, a glyph of its own from here on.
            if (m_units.size() >= 4096 || both.size() > 4)
                return NotSimple;
            m_units.push_back(Unit{both, s.index[0], s.width, false});
            return -(1 << 20) - int(m_units.size() - 1);
        }
        // Two glyphs, each its own, the second's advance untouched: the pair only moves
        // the second glyph.
        if (s.x.size() != 2 || s.index[0] != first.glyph || s.index[1] != m_units[c].glyph ||
            s.width != s.x[1] + m_units[c].advance)
            return NotSimple;
        return s.x[1];
    }

    bool shape(const QString &text, Shaped &out) const
    {
        QTextLayout layout(text, m_font, &m_device);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (!line.isValid())
            return false;
        line.setLineWidth(1 << 20);
        layout.endLayout();
        if (layout.lineCount() != 1)
            return false;
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() != 1)
            return false;
        const QList<quint32> indexes = runs.front().glyphIndexes();
        const QList<QPointF> positions = runs.front().positions();
        if (indexes.isEmpty() || indexes.size() != positions.size())
            return false;
        out.ascent = sixtyFourths(line.ascent());
        out.x.clear();
        out.index.clear();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            if (sixtyFourths(positions[i].y()) != out.ascent)
                return false;
            out.x.push_back(sixtyFourths(positions[i].x()));
            out.index.push_back(indexes[i]);
        }
        out.width = sixtyFourths(line.horizontalAdvance());
        return true;
    }

    // The steps are only trusted once they reproduce the layout of whole texts in this
    // font: kerning, ligatures, spacing and glyph choice alike.
    bool selfCheck()
    {
        static const char16_t *const samples[] = {
            u"Sikkerhetskopiering pågår... 12 filer funnet (1 234 kb).  3 mapper gjennomsøkt.",
            u"Legger til i zip: C:\\Data\\Bilder\\2024\\ferie.jpg ÆØÅ æøå éü",
            u"AVATAR To Ty Wa Yo LT P. F, r. y, \"quoted\" 'single' Th -- 0123456789 %&/()=?",
            u"office flow fjord afflict fifty",
            u" !#$*+-:;<>@[]^_`{|}~ abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        };
        for (const char16_t *sample : samples) {
            const QString text = QString::fromUtf16(sample);
            Shaped whole;
            if (!shape(text, whole))
                return false;
            m_ascent = whole.ascent;
            std::vector<int> ids, x;
            int width = 0;
            if (!place(text, ids, x, width) || x != whole.x || width != whole.width ||
                ids.size() != whole.index.size())
                return false;
            for (size_t i = 0; i < ids.size(); ++i)
                if (whole.index[i] != m_units[size_t(ids[i])].glyph)
                    return false;
        }
        return true;
    }

    // The painter renders a glyph at a few positions within a pixel only: for every
    // position in 1/64 pixel, the first one at which sample glyphs come out the same.
    void findPhaseGroups()
    {
        std::vector<std::vector<Glyph>> at;
        for (const char16_t c : {u'a', u'f', u'W', u'1'}) {
            if (m_singles[c] == NotSimple)
                continue;
            std::vector<Glyph> glyphs;
            for (int phase = 0; phase < 64; ++phase)
                glyphs.push_back(render(QString(QChar(c)), phase, qRgb(0, 0, 0)));
            at.push_back(std::move(glyphs));
        }
        for (int phase = 0; phase < 64; ++phase) {
            m_phaseGroup[size_t(phase)] = phase;
            for (int earlier = 0; earlier < phase; ++earlier) {
                bool same = !at.empty();
                for (const auto &glyphs : at)
                    same = same && glyphs[size_t(phase)].image == glyphs[size_t(earlier)].image &&
                           glyphs[size_t(phase)].offset == glyphs[size_t(earlier)].offset;
                if (same) {
                    m_phaseGroup[size_t(phase)] = earlier;
                    break;
                }
            }
        }
    }

    Glyph render(const QString &text, int phase, QRgb colour) const
    {
        const int m = m_pixelSize + 8;
        QImage cell(int(text.size()) * 2 * m + 4, 3 * m, QImage::Format_ARGB32_Premultiplied);
        cell.setDotsPerMeterX(m_device.dotsPerMeterX());
        cell.setDotsPerMeterY(m_device.dotsPerMeterY());
        cell.fill(Qt::transparent);
        QPainter p(&cell);
        p.setFont(m_font);
        p.setPen(QColor::fromRgba(colour));
        p.drawText(QPointF(m + phase / 64.0, m + (m_ascent & 63) / 64.0), text);
        p.end();
        const int cellWidth = cell.width(), cellHeight = cell.height();
        int left = cellWidth, right = -1, top = cellHeight, bottom = -1;
        for (int y = 0; y < cellHeight; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(cell.constScanLine(y));
            for (int x = 0; x < cellWidth; ++x)
                if (line[x]) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = y;
                }
        }
        if (right < 0)
            return {};
        if (left == 0 || top == 0 || right == cellWidth - 1 || bottom == cellHeight - 1) {
            Glyph outsized;
            outsized.outsized = true; // reaches the cell's edge: perhaps cut off
            return outsized;
        }
        // Widened to whole groups of four pixels (transparent ones leave the layer as it
        // is), so that the glyph is laid over four pixels at a time.
        const QRect ink(QPoint(left, top), QSize((right - left + 4) / 4 * 4, bottom - top + 1));
        Glyph g{cell.copy(ink), ink.topLeft() - QPoint(m, m)};
        g.bits = g.image.constBits();
        g.bytesPerLine = g.image.bytesPerLine();
        g.width = g.image.width();
        g.height = g.image.height();
        return g;
    }

    QFont m_font;
    QImage m_device; // the layer's resolution, for the layouts
    bool m_supported = false;
    int m_ascent = 0, m_pixelSize = 0;
    std::array<int, 64> m_phaseGroup{};
    std::vector<int> m_singles;  // per character: its unit id, NotSimple or Unknown
    std::vector<int> m_pairs;    // per character pair: the step, a ligature or NotSimple
    QHash<quint64, int> m_joins; // the same after a ligature
    std::vector<Unit> m_units;   // 0-255 characters, then ligatures
    QRgb m_glyphColour = 0;
    std::vector<std::unique_ptr<Glyph>> m_glyphs; // per unit and phase, in m_glyphColour
};

QMutex fontsMutex;
std::vector<std::unique_ptr<FontData>> fonts;

FontData &fontData(const QFont &font, const QImage &layer)
{
    for (const auto &f : fonts)
        if (f->matches(font, layer))
            return *f;
    if (fonts.size() >= 16)
        fonts.erase(fonts.begin());
    fonts.push_back(std::make_unique<FontData>(font, layer));
    return *fonts.back();
}

// Lays the glyph picture over the layer (its pixels and bytes per line) at (x, y),
// within clip: s + BYTE_MUL(d, 255 - alpha(s)) per pixel, which also leaves d under a
// transparent s and puts an opaque s in place. False when a partly covered pixel would
// land on an opaque one: the painter blends those by another rule.
bool layOver(uchar *bits, qsizetype bytesPerLine, const Glyph &g, int x, int y, const QRect &clip)
{
    const int cornerX = x + g.offset.x(), cornerY = y + g.offset.y();
    const int left = std::max(cornerX, clip.left()), right = std::min(cornerX + g.width, clip.right() + 1);
    const int top = std::max(cornerY, clip.top()), bottom = std::min(cornerY + g.height, clip.bottom() + 1);
    bool mixed = false;
    for (int row = top; row < bottom; ++row) {
        auto *dst = reinterpret_cast<quint32 *>(bits + row * bytesPerLine);
        const auto *src =
            reinterpret_cast<const quint32 *>(g.bits + (row - cornerY) * g.bytesPerLine) - cornerX;
        int col = left;
#if defined(__SSE2__)
        const __m128i colourMask = _mm_set1_epi32(0x00ff00ff), half = _mm_set1_epi16(0x0080),
                      full = _mm_set1_epi16(0x00ff), opaque = _mm_set1_epi32(255), one = _mm_set1_epi32(1),
                      partial = _mm_set1_epi32(254);
        __m128i mixedPixels = _mm_setzero_si128();
        for (; col + 4 <= right; col += 4) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + col));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + col));
            const __m128i sa = _mm_srli_epi32(sv, 24), da = _mm_srli_epi32(dv, 24);
            // alpha(s) in 1..254 over alpha(d) 255 (unsigned: sa - 1 below 254).
            const __m128i saLessOne = _mm_sub_epi32(sa, one);
            const __m128i sPartial =
                _mm_cmplt_epi32(_mm_xor_si128(saLessOne, _mm_set1_epi32(int(0x80000000u))),
                                _mm_xor_si128(partial, _mm_set1_epi32(int(0x80000000u))));
            mixedPixels = _mm_or_si128(mixedPixels, _mm_and_si128(sPartial, _mm_cmpeq_epi32(da, opaque)));
            __m128i inverse = _mm_or_si128(sa, _mm_slli_epi32(sa, 16));
            inverse = _mm_sub_epi16(full, inverse);
            __m128i ag = _mm_srli_epi16(dv, 8), rb = _mm_and_si128(dv, colourMask);
            ag = _mm_mullo_epi16(ag, inverse);
            rb = _mm_mullo_epi16(rb, inverse);
            rb = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half), 8);
            ag = _mm_andnot_si128(colourMask, _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + col), _mm_add_epi32(sv, _mm_or_si128(ag, rb)));
        }
        if (_mm_movemask_epi8(mixedPixels))
            return false;
#endif
        for (; col < right; ++col) {
            const quint32 s = src[col], d = dst[col];
            mixed |= (d >> 24) == 255 && (s >> 24) - 1u < 254u;
            dst[col] = s + byteMul(d, 255 - (s >> 24));
        }
        if (mixed)
            return false;
    }
    return true;
}

} // namespace

bool Draw(QImage &layer, const QRect &box, int flags, const QString &text, const QFont &font,
          const QColor &colour, QRect *inked)
{
    const int horizontal = flags & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter);
    if (text.isEmpty() || colour.alpha() != 255 || box.isEmpty() ||
        layer.format() != QImage::Format_ARGB32_Premultiplied ||
        (flags & ~horizontal) != (Qt::AlignTop | Qt::TextWordWrap) ||
        (horizontal != Qt::AlignLeft && horizontal != Qt::AlignRight && horizontal != Qt::AlignHCenter))
        return false;
    for (const QChar ch : text)
        if (!latin1Printable(ch.unicode()))
            return false;

    QMutexLocker lock(&fontsMutex);
    FontData &fd = fontData(font, layer);
    if (!fd.supported())
        return false;
    static thread_local std::vector<int> ids, x;
    int width = 0;
    if (!fd.place(text, ids, x, width))
        return false;
    // Far from the line's end, so the painter would not break the line either.
    if (qint64(width) + 2 * 64 * qint64(fd.pixelSize()) > qint64(box.width()) * 64)
        return false;

    // Aligned on the sum of the advances, trailing spaces included, as the layout does.
    qreal offset = 0;
    if (horizontal == Qt::AlignRight)
        offset = box.width() - width / 64.0;
    else if (horizontal == Qt::AlignHCenter)
        offset = (box.width() - width / 64.0) / 2;
    const int origin = fromReal(box.x() + offset);
    const int baseline = box.top() + (fd.ascent() >> 6);
    const QRect clip = box & layer.rect();
    const QRgb rgba = colour.rgba();
    uchar *bits = layer.bits();
    const qsizetype bytesPerLine = layer.bytesPerLine();
    int inkLeft = INT_MAX, inkRight = INT_MIN, inkTop = INT_MAX, inkBottom = INT_MIN;
    for (size_t i = 0; i < ids.size(); ++i) {
        const int gx = origin + x[i];
        const Glyph &g = fd.glyph(ids[i], gx & 63, rgba);
        if (g.outsized || (g.bits && !layOver(bits, bytesPerLine, g, gx >> 6, baseline, clip)))
            return false;
        if (g.bits) {
            inkLeft = std::min(inkLeft, (gx >> 6) + g.offset.x());
            inkRight = std::max(inkRight, (gx >> 6) + g.offset.x() + g.width - 1);
            inkTop = std::min(inkTop, baseline + g.offset.y());
            inkBottom = std::max(inkBottom, baseline + g.offset.y() + g.height - 1);
        }
    }
    if (inked)
        *inked =
            inkRight < inkLeft ? QRect() : QRect(QPoint(inkLeft, inkTop), QPoint(inkRight, inkBottom)) & clip;
    return true;
}

void Clear()
{
    QMutexLocker lock(&fontsMutex);
    fonts.clear();
}

} // namespace SimpleLineText
