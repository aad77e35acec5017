// Packs a tree with the zip library and with `zip -r -5 -q`, and prints the time
// ratio and both archive sizes.
//   zip_bench [files=20000] [megabytes=700] [work folder]   a generated tree, kept in
//                                                           the work folder between runs
//   zip_bench --tree FOLDER [runs=3]                        an existing tree (a corpus),
//                                                           archives written beside it
//   zip_bench --esc FILE                                    Esc half-way through a large
//                                                           file: the longest gap between
//                                                           service calls, and the time from
//                                                           the abort answer to the return
#include "platform/zip/ZipLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

// Text-like files (about 3:1 under deflate) and some incompressible ones, as a
// documents folder with pictures in it would be.
QByteArray content(QRandomGenerator &gen, const std::vector<QByteArray> &words, qsizetype size)
{
    QByteArray b;
    b.reserve(size);
    if (gen.bounded(10) < 3) {
        b.resize(size);
        gen.fillRange(reinterpret_cast<quint32 *>(b.data()), size / 4);
        return b;
    }
    while (b.size() < size) {
        // Skewed choice: a few words are common, most are rare.
        const double r = gen.generateDouble();
        b += words[std::size_t(r * r * r * double(words.size()))];
        b += gen.bounded(12) == 0 ? "\r\n" : " ";
    }
    b.truncate(size);
    return b;
}

QStringList makeTree(const QString &root, int files, qint64 bytes)
{
    QStringList names;
    const QString marker = root + "/.made";
    const bool made = QFile::exists(marker);
    QRandomGenerator gen(20261207);
    std::vector<QByteArray> words;
    for (int i = 0; i < 2000; ++i) {
        QByteArray w;
        for (int n = 2 + gen.bounded(9); n > 0; --n)
            w += char('a' + gen.bounded(26));
        words.push_back(w);
    }
    const qint64 mean = bytes / files;
    for (int i = 0; i < files; ++i) {
        const QString folder = QString("Data/Mappe %1/Under %2").arg(i / 400).arg(i / 40 % 10);
        const QString name = folder + QString("/fil %1.txt").arg(i);
        names << "C:\\" + QString(name).replace('/', '\\');
        if (made)
            continue;
        // Sizes spread from a few bytes to about three times the mean.
        const qsizetype size = qsizetype(gen.generateDouble() * gen.generateDouble() * 4.0 * double(mean));
        QDir().mkpath(root + "/" + folder);
        QFile f(root + "/" + name);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(f.fileName()));
        f.write(content(gen, words, size));
    }
    if (!made) {
        QFile f(marker);
        f.open(QIODevice::WriteOnly);
    }
    return names;
}

double timeLibrary(const QString &root, const QStringList &names, const QString &zipName = "lib.zip")
{
    std::vector<QByteArray> utf8;
    for (const QString &n : names)
        utf8.push_back(n.toUtf8());
    std::vector<const char *> pointers;
    for (const QByteArray &n : utf8)
        pointers.push_back(n.constData());
    ZipOptions o{};
    o.date = o.rootFolder = o.tempFolder = "";
    o.values[ZipOptionSystemAndHidden] = 1;
    o.values[ZipOptionRecurse] = 1;
    o.level = '5';
    ZpSetOptions(&o);
    QFile::remove(root + "/" + zipName);
    QElapsedTimer t;
    t.start();
    const QByteArray archive = ("C:\\" + zipName).toUtf8();
    const int result = ZpArchive(int(pointers.size()), archive.constData(), pointers.data());
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (result != ZpOk)
        qFatal("ZpArchive: %d", result);
    return s;
}

double timeZip(const QString &zip, const QString &root, const QString &folder = "Data",
               const QString &zipName = "zip.zip")
{
    QFile::remove(root + "/" + zipName);
    QProcess p;
    p.setWorkingDirectory(root);
    QElapsedTimer t;
    t.start();
    p.start(zip, {"-r", "-5", "-q", "-y", zipName, folder});
    p.waitForFinished(-1);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (p.exitCode() != 0)
        qFatal("zip failed: %s", p.readAllStandardError().constData());
    return s;
}

} // namespace

// The service callback's view of an Esc pressed while FILE is packed.
struct EscProbe {
    QElapsedTimer sinceLast, sinceAbort;
    qint64 longestGap = 0;
    qint64 abortAt = 0; // milliseconds into the call
    QElapsedTimer call;
} g_esc;

int escService(const char *, unsigned long)
{
    if (g_esc.sinceLast.isValid())
        g_esc.longestGap = std::max(g_esc.longestGap, g_esc.sinceLast.nsecsElapsed());
    g_esc.sinceLast.start();
    if (g_esc.call.elapsed() < g_esc.abortAt)
        return 0;
    g_esc.sinceAbort.start();
    return 1;
}

int escBench(const QString &file)
{
    const QFileInfo info(file);
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + info.absolutePath()));
    const ZipUserFunctions callbacks{nullptr, nullptr, nullptr, escService};
    ZpInit(&callbacks);
    ZipOptions o{};
    o.level = '5';
    ZpSetOptions(&o);
    const QByteArray name = ("C:\\" + info.fileName()).toUtf8();
    const char *names[] = {name.constData()};
    // A full run first, to find the half-way point.
    g_esc = EscProbe{};
    g_esc.abortAt = 1LL << 40;
    g_esc.call.start();
    if (ZpArchive(1, "C:\\esc.zip", names) != ZpOk)
        qFatal("ZpArchive failed");
    const qint64 full = g_esc.call.elapsed();
    QFile::remove(info.absolutePath() + "/esc.zip");
    g_esc = EscProbe{};
    g_esc.abortAt = full / 2;
    g_esc.call.start();
    const int result = ZpArchive(1, "C:\\esc.zip", names);
    const double back = double(g_esc.sinceAbort.nsecsElapsed()) / 1e6;
    std::printf("full run %.2f s; longest gap between service calls %.1f ms; abort answered at %.2f s, "
                "returned %d after %.1f ms\n",
                double(full) / 1e3, double(g_esc.longestGap) / 1e6, double(g_esc.abortAt) / 1e3, result,
                back);
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString zip = QStandardPaths::findExecutable("zip");
    if (zip.isEmpty()) {
        std::printf("zip is not installed\n");
        return 1;
    }
    if (args.size() > 2 && args[1] == "--esc")
        return escBench(args[2]);
    if (args.size() > 2 && args[1] == "--tree") {
        // The tree's parent is drive C:, the archives go beside the tree.
        const QFileInfo tree(args[2]);
        const QString root = tree.absolutePath();
        const int runs = args.size() > 3 ? args[3].toInt() : 3;
        qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + root));
        const QStringList names{"C:\\" + tree.fileName()};
        const QString libName = tree.fileName() + "-lib.zip", zipName = tree.fileName() + "-zip.zip";
        double lib = 1e9, ref = 1e9;
        for (int round = 0; round < runs; ++round) {
            const double z = timeZip(zip, root, tree.fileName(), zipName);
            const double l = timeLibrary(root, names, libName);
            ref = std::min(ref, z);
            lib = std::min(lib, l);
            std::printf("round %d: zip %.2f s, library %.2f s\n", round + 1, z, l);
        }
        const qint64 zipSize = QFile(root + "/" + zipName).size(),
                     libSize = QFile(root + "/" + libName).size();
        std::printf(
            "zip -r -5 -q: %.2f s (%lld bytes)\nlibrary:      %.2f s (%lld bytes, %+.2f %%)\nratio: %.2f\n",
            ref, zipSize, lib, libSize, 100.0 * double(libSize - zipSize) / double(zipSize), lib / ref);
        QFile::remove(root + "/" + zipName);
        QFile::remove(root + "/" + libName);
        return 0;
    }
    const int files = args.size() > 1 ? args[1].toInt() : 20000;
    const qint64 bytes = (args.size() > 2 ? args[2].toLongLong() : 700) * 1024 * 1024;
    QTemporaryDir temp;
    const QString root = args.size() > 3 ? args[3] : temp.path();
    QDir().mkpath(root);
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + root));
    std::printf("making %d files, %lld MiB in %s\n", files, bytes >> 20, qPrintable(root));
    const QStringList names = makeTree(root, files, bytes);

    // Alternate, best of three each: the machine is shared and the cache warm after the first.
    double lib = 1e9, ref = 1e9;
    for (int round = 0; round < 3; ++round) {
        ref = std::min(ref, timeZip(zip, root));
        lib = std::min(lib, timeLibrary(root, names));
        std::printf("round %d: zip %.2f s, library %.2f s\n", round + 1, ref, lib);
    }
    std::printf("zip -r -5 -q: %.2f s (%lld bytes)\nlibrary:      %.2f s (%lld bytes)\nratio: %.2f\n", ref,
                QFile(root + "/zip.zip").size(), lib, QFile(root + "/lib.zip").size(), lib / ref);
    return 0;
}
