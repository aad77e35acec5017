// Paints every catalogued control state (tests/render/*_gallery.cpp) N times (default
// 1000) and prints the mean time per paint next to the mean time of grab() of an empty
// widget of the same size, measured in the same run, and their ratio. Controls up to
// 520 x 40 pixels are expected within 5 times the empty grab. A paint is the control's
// own repaint (Refresh where it has one) followed by a grab of the control.
//
// Usage: paint_bench [iterations] [name filter, a regular expression matched anywhere in the name]
#include "../tests/render/ControlCatalog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMetaMethod>
#include <QRegularExpression>
#include <cstdio>
#include <memory>

namespace
{

constexpr double TargetRatio = 5.0;
constexpr int MaxWidth = 520, MaxHeight = 40;

void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Mean microseconds per call of a and of b over n calls each, after a few calls to warm
// up. The two run in alternating batches, so that load from elsewhere on the machine
// falls on both alike.
template <typename A, typename B> std::pair<double, double> meanMicros(int n, A a, B b)
{
    for (int i = 0; i < 10; ++i) {
        a();
        b();
    }
    constexpr int batches = 10;
    qint64 ta = 0, tb = 0;
    int done = 0;
    for (int k = 0; k < batches; ++k) {
        const int m = (n - done) / (batches - k);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < m; ++i)
            a();
        ta += t.nsecsElapsed();
        t.restart();
        for (int i = 0; i < m; ++i)
            b();
        tb += t.nsecsElapsed();
        done += m;
    }
    return {double(ta) / 1000.0 / n, double(tb) / 1000.0 / n};
}

// A full paint: controls that keep their painted surface paint it again first.
std::function<void()> fullPaint(const qvcatalog::Shot &shot, QWidget *control)
{
    if (shot.paint)
        return [&shot, control] { shot.paint(control); };
    const QMetaObject *mo = control->metaObject();
    if (mo->indexOfMethod("Refresh()") >= 0)
        return [control] {
            QMetaObject::invokeMethod(control, "Refresh", Qt::DirectConnection);
            control->grab();
        };
    return [control] { control->grab(); };
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const QRegularExpression filter(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());

#ifndef QV_HAVE_CONTROL_CATALOG
    std::printf("paint_bench: built without the control catalog (tests are off); nothing to time\n");
#endif
    std::printf("%-40s %9s %12s %12s %7s\n", "control state", "size", "paint us", "empty us", "ratio");
    int measured = 0, inTarget = 0, over = 0;
    for (const qvcatalog::Shot &shot : qvcatalog::shots()) {
        if (!filter.pattern().isEmpty() && !shot.name.contains(filter))
            continue;
        auto host = std::make_unique<QWidget>();
        host->resize(shot.size);
        QWidget *control = shot.build(host.get());
        if (!control)
            continue;
        host->show();
        settle();
        if (shot.settle)
            shot.settle(control);

        const QSize size = control->isWindow() || shot.grabHost
                               ? (shot.grabHost ? host->size() : control->size())
                               : control->size();
        QWidget empty;
        empty.resize(size);
        const auto [controlUs, emptyUs] = meanMicros(n, fullPaint(shot, control), [&empty] { empty.grab(); });
        const double ratio = emptyUs > 0 ? controlUs / emptyUs : 0;
        const bool limited = size.width() <= MaxWidth && size.height() <= MaxHeight;
        const char *mark = "";
        if (limited) {
            ++inTarget;
            if (ratio > TargetRatio) {
                ++over;
                mark = "  OVER";
            }
        }
        std::printf("%-40s %4dx%-4d %12.1f %12.1f %7.2f%s\n", qPrintable(shot.name), size.width(),
                    size.height(), controlUs, emptyUs, ratio, mark);
        ++measured;
    }
    std::printf(
        "%d states timed, %d iterations each; %d of %d states up to %dx%d within %.0fx the empty grab\n",
        measured, n, inTarget - over, inTarget, MaxWidth, MaxHeight, TargetRatio);
    return 0;
}
