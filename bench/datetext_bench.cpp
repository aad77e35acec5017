// The date text of a million files, as the file list's date column and its sort make
// it: the project's formatter against the same text through Qt's local time
// (QDateTime::toLocalTime), best of five rounds each, taking turns.
// Usage: datetext_bench [files, default 1000000]
#include "platform/base/Locale.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 1000000;
    // Times spread over twenty years, in nanoseconds as the scan keeps them.
    std::mt19937_64 random(7);
    std::uniform_int_distribution<qint64> seconds(1104537600, 1767225600);
    std::vector<qint64> times(static_cast<std::size_t>(n));
    for (qint64 &t : times)
        t = seconds(random) * 1000000000 + qint64(random() % 1000000000);

    qint64 bestOwn = -1, bestQt = -1;
    std::size_t check = 0; // keeps the texts from being optimised away
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (const qint64 t : times)
            check += qv::formatFileTimeUtcNs(t).size();
        const qint64 own = clock.nsecsElapsed();
        clock.restart();
        for (const qint64 t : times)
            check +=
                qv::formatFileTime(QDateTime::fromMSecsSinceEpoch(t / 1000000, Qt::UTC).toLocalTime()).size();
        const qint64 qt = clock.nsecsElapsed();
        bestOwn = bestOwn < 0 ? own : std::min(bestOwn, own);
        bestQt = bestQt < 0 ? qt : std::min(bestQt, qt);
    }
    std::printf("%d date texts: own %.0f ms, through QDateTime %.0f ms, own/Qt %.3f (check %zu)\n", n,
                double(bestOwn) / 1e6, double(bestQt) / 1e6, double(bestOwn) / double(bestQt), check);
    return 0;
}
