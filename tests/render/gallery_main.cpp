// Renders every shot of the control catalog to <build>/gallery/<name>.png and lists
// them in index.txt. An argument limits the run to shots whose name contains it.
#include "Gallery.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

void settleEvents(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < ms);
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString filter = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString outDir = QStringLiteral(QV_GALLERY_DIR);
    QDir().mkpath(outDir);

    QFile indexFile(outDir + QStringLiteral("/index.txt"));
    if (!indexFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(indexFile.fileName()));
        return 1;
    }
    QTextStream index(&indexFile);
    int written = 0;
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
    }
    std::printf("%d pictures in %s\n", written, qPrintable(outDir));
    return written > 0 ? 0 : 1;
}
