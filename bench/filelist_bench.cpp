// The file list filled as a backup scan fills it: 100,000 AddItem calls, then the
// rows shown as the main window shows them (columns fitted), against a plain
// std::vector push of the same five texts and against the time of the scan that
// found them (budget: no longer than the scan).
// Usage: filelist_bench [rows, default 100000] [scan ms, default 400]
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

using qv::qvFileList;
using qv::qvFileListModel;
namespace qvFileListFormat = qv::qvFileListFormat;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const double scanMs = argc > 2 ? std::max(1.0, atof(argv[2])) : 400.0;

    std::vector<QString> paths;
    paths.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        paths.push_back(QStringLiteral("C:\\Kilde\\Mappe %1\\dokument %2.txt").arg(i / 100).arg(i));
    const QString ext = "txt", size = qvFileListFormat::sizeText(123456, 2), date = "2026.11.20  14:32",
                  attr = "a";

    QElapsedTimer t;
    t.start();
    std::vector<std::array<QString, 5>> plain;
    for (const QString &p : paths)
        plain.push_back({p, ext, size, date, attr});
    const double vectorMs = double(t.nsecsElapsed()) / 1e6;

    qvFileList list;
    list.setFillMode(1);
    list.resize(600, 400);
    list.show();
    QCoreApplication::processEvents();
    t.restart();
    for (const QString &p : paths)
        list.AddItem(p, ext, size, date, attr);
    const double addMs = double(t.nsecsElapsed()) / 1e6;
    list.Refresh();
    list.AutoColWidth();
    list.reportView()->viewport()->repaint();
    const double shownMs = double(t.nsecsElapsed()) / 1e6;

    std::printf("%d rows\n", n);
    std::printf("std::vector push      %8.1f ms\n", vectorMs);
    std::printf("AddItem               %8.1f ms  (%.2fx the vector)\n", addMs, addMs / vectorMs);
    std::printf("AddItem + shown       %8.1f ms  (%.2fx the vector)\n", shownMs, shownMs / vectorMs);
    std::printf("against the scan      %8.1f ms  (%.2fx, budget 1.00x)\n", scanMs, shownMs / scanMs);
    return list.GetCount() == n ? 0 : 1;
}
