// Renders every shot of the control catalog to <build>/gallery/<name>.png and lists
// them in index.txt, with one enlarged contact sheet per control family; then the same
// at device pixel ratios 1.5 and 2 into gallery/x1.5 and gallery/x2.
// Usage: qv_gallery [--ratio=R: that ratio only] [name filter] [sheet zoom, default 2]
#include "Gallery.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace
{

void settleEvents(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

struct Picture {
    QString caption;
    QImage image;
};

// One sheet per control family (the name up to its first "_"), every picture enlarged
// under its caption, for looking at many small pictures at once.
void writeSheets(const QString &outDir, const QMap<QString, QList<Picture>> &groups, int zoom)
{
    constexpr int gap = 6, captionHeight = 16;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        int w = 560, h = gap; // room for the captions
        for (const Picture &pic : it.value()) {
            w = std::max(w, pic.image.width() * zoom);
            h += captionHeight + pic.image.height() * zoom + gap;
        }
        QImage sheet(w + 2 * gap, h, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(128, 128, 128));
        QPainter p(&sheet);
        int y = gap;
        for (const Picture &pic : it.value()) {
            p.setPen(Qt::white);
            p.drawText(QRect(gap, y, w, captionHeight), Qt::AlignLeft | Qt::AlignVCenter, pic.caption);
            y += captionHeight;
            p.drawImage(QRect(gap, y, pic.image.width() * zoom, pic.image.height() * zoom), pic.image);
            y += pic.image.height() * zoom + gap;
        }
        p.end();
        sheet.save(outDir + QStringLiteral("/sheet_") + it.key() + QStringLiteral(".png"));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool oneRatio = [&] {
        for (int i = 1; i < argc; ++i)
            if (QByteArray(argv[i]).startsWith("--ratio="))
                return true;
        return false;
    }();
    const QString ratioFolder = qvgallery::TakeRatioArgument(argc, argv);
    QApplication app(argc, argv);
    const QString filter = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString outDir =
        QStringLiteral(QV_GALLERY_DIR) + (ratioFolder.isEmpty() ? QString() : QLatin1Char('/') + ratioFolder);
    QDir().mkpath(outDir);

    QFile indexFile(outDir + QStringLiteral("/index.txt"));
    if (!indexFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(indexFile.fileName()));
        return 1;
    }
    QTextStream index(&indexFile);
    int written = 0;
    QMap<QString, QList<Picture>> groups;
    for (const qvcatalog::Shot &shot : qvcatalog::shots()) {
        if (!filter.isEmpty() && !shot.name.contains(filter))
            continue;
        auto host = std::make_unique<QWidget>();
        host->setAutoFillBackground(true);
        QPalette pal = host->palette();
        pal.setColor(QPalette::Window, QColor(236, 233, 216));
        host->setPalette(pal);
        host->resize(shot.size);
        QWidget *control = shot.build(host.get());
        host->show();
        settleEvents(10);
        if (shot.settle && control)
            shot.settle(control);
        settleEvents(10);
        const QPixmap picture = (shot.grabHost || !control) ? host->grab() : control->grab();
        const QString file = shot.name + QStringLiteral(".png");
        if (!picture.save(outDir + QLatin1Char('/') + file)) {
            std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
            continue;
        }
        index << file << "  " << picture.width() << "x" << picture.height() << "  " << shot.caption << "\n";
        ++written;
        groups[shot.name.section(QLatin1Char('_'), 0, 0)].append(
            {shot.name + QStringLiteral(": ") + shot.caption, picture.toImage()});
    }
    writeSheets(outDir, groups, argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 2);
    std::printf("%d pictures in %s\n", written, qPrintable(outDir));
    bool ok = written > 0;
    if (!oneRatio) {
        QStringList rest;
        for (int i = 1; i < argc; ++i)
            rest << QString::fromLocal8Bit(argv[i]);
        for (const char *ratio : qvgallery::Ratios)
            if (QByteArray(ratio) != "1")
                ok &= QProcess::execute(QCoreApplication::applicationFilePath(),
                                        QStringList{QStringLiteral("--ratio=") + QLatin1String(ratio)} +
                                            rest) == 0;
    }
    return ok ? 0 : 1;
}
