// Compares two gallery folders picture by picture and lists every picture that differs,
// with the number of differing pixels and their bounding box.
// Usage: qv_gallery_compare <before folder> <after folder> [folder for side-by-side views]
// A view shows before, after and the differing pixels (red), four times enlarged.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <before> <after>\n", argv[0]);
        return 2;
    }
    const QDir before(QString::fromLocal8Bit(argv[1])), after(QString::fromLocal8Bit(argv[2]));
    const QString views = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (!views.isEmpty())
        QDir().mkpath(views);
    int differing = 0, same = 0;
    for (const QString &name : before.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        if (name.startsWith(QLatin1String("sheet_")))
            continue;
        const QImage a = QImage(before.filePath(name)).convertToFormat(QImage::Format_ARGB32);
        const QImage b = QImage(after.filePath(name)).convertToFormat(QImage::Format_ARGB32);
        if (b.isNull()) {
            std::printf("%s: missing after\n", qPrintable(name));
            ++differing;
            continue;
        }
        if (a.size() != b.size()) {
            std::printf("%s: size %dx%d -> %dx%d\n", qPrintable(name), a.width(), a.height(), b.width(),
                        b.height());
            ++differing;
            continue;
        }
        int count = 0, most = 0;
        QRect box;
        QImage mask(a.size(), QImage::Format_ARGB32);
        mask.fill(Qt::white);
        for (int y = 0; y < a.height(); ++y) {
            const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
            const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x)
                if (ra[x] != rb[x]) {
                    ++count;
                    mask.setPixel(x, y, qRgb(255, 0, 0));
                    most = std::max(
                        {most, std::abs(qRed(ra[x]) - qRed(rb[x])), std::abs(qGreen(ra[x]) - qGreen(rb[x])),
                         std::abs(qBlue(ra[x]) - qBlue(rb[x])), std::abs(qAlpha(ra[x]) - qAlpha(rb[x]))});
                    box |= QRect(x, y, 1, 1);
                }
        }
        if (count == 0) {
            ++same;
            continue;
        }
        ++differing;
        if (!views.isEmpty()) {
            constexpr int zoom = 4;
            QImage view(a.width() * zoom * 3 + 8, a.height() * zoom, QImage::Format_ARGB32);
            view.fill(Qt::gray);
            QPainter p(&view);
            int x = 0;
            for (const QImage &part : {a, b, mask}) {
                p.drawImage(QRect(x, 0, a.width() * zoom, a.height() * zoom), part);
                x += a.width() * zoom + 4;
            }
            p.end();
            view.save(views + QLatin1Char('/') + name);
        }
        std::printf("%s: %d pixels differ in (%d,%d %dx%d), by at most %d\n", qPrintable(name), count,
                    box.x(), box.y(), box.width(), box.height(), most);
    }
    std::printf("%d same, %d differ\n", same, differing);
    return differing == 0 ? 0 : 1;
}
