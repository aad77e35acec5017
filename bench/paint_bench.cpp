// What a user feels of the drawing, measured on the main window at its real size with a
// small sample loaded:
//  - a full repaint: every drawn control painted again from its properties and the
//    window painted and put on the screen (budget 8 ms);
//  - a status-text change during a run: the new text set through the run state, the
//    status panel painted and put on the screen (budget 1 ms).
// Prints the median and the slowest of N rounds (default 200) of each.
//
// Usage: paint_bench [rounds]; QT_SCALE_FACTOR=2 paint_bench for a high-density screen.
#include "controls/buttons/qvButtonBase.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "engine/BackupEngine.h"
#include "platform/base/ScriptedDialog.h"
#include "windows/frmBackup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace qv;

namespace
{

constexpr double FullRepaintBudgetMs = 8.0, StatusTextBudgetMs = 1.0;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

struct Figures {
    double median = 0, slowest = 0;
};

template <typename F> Figures timeRounds(int rounds, F once)
{
    for (int i = 0; i < 5; ++i)
        once(i);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        once(i);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

bool report(const char *what, const QSize &size, const Figures &f, double budget)
{
    const bool within = f.median <= budget;
    std::printf("%-28s %4dx%-4d median %7.3f ms  slowest %7.3f ms  budget %5.1f ms  %s\n", what, size.width(),
                size.height(), f.median, f.slowest, budget, within ? "ok" : "OVER");
    return within;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir sample;
    const QString c = sample.path() + "/c";
    writeFile(c + "/Data/Dokumenter/Årsrapport 2026.docx", QByteArray(48000, 'r'));
    writeFile(c + "/Data/Dokumenter/budsjett.xlsx", QByteArray(12500, 'b'));
    writeFile(c + "/Data/Dokumenter/Brev/til banken.txt", "Hei");
    writeFile(c + "/Program/Backup/BackupMal.txt",
              "\"Dokumenter\",\"C:\\Data\\Dokumenter\\\",\"D:\\Sikring\\\",-1,-1,\"07.12.2026   kl. "
              "17:47:06\",-1\r\n");
    QDir().mkpath(c + "/Program/Backup/Res");
    for (const char *picture :
         {"Start.png", "NyMal.png", "FileSave.png", "SlettMal.png", "Utelat.png", "Exit.png"})
        QFile::copy(QStringLiteral(QV_RES_DIR "/") + picture, c + "/Program/Backup/Res/" + picture);
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + c + ";D=" + sample.path() + "/d"));
    qputenv("QVBACKUP_PROGRAM_DIR", "C:\\Program\\Backup");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sample.path() + "/config"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(sample.path() + "/state"));

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    qv::ScriptedDialog quiet;
    qv::setDialog(&quiet);

    qv::frmBackup main;
    main.show();
    qv::setDialog(&quiet);
    main.engine().state.cboMal.setListIndex(1);
    main.engine().scan.General_SokFiler();
    main.engine().state.lvw1().Refresh();
    main.showState();
    QApplication::processEvents();

    // The panels and the bar paint their surfaces again from their properties, the form
    // background its picture; the buttons draw afresh at every paint anyway.
    QList<QWidget *> drawn;
    for (QWidget *w : main.findChildren<QWidget *>())
        if (w->metaObject()->indexOfMethod("Refresh()") >= 0 && !qobject_cast<qvShadeForm *>(w))
            drawn.append(w);
    const QList<qvShadeForm *> forms = main.findChildren<qvShadeForm *>();
    const Figures full = timeRounds(rounds, [&](int) {
        for (QWidget *w : std::as_const(drawn))
            QMetaObject::invokeMethod(w, "Refresh", Qt::DirectConnection);
        for (qvShadeForm *f : forms)
            f->PaintTarget();
        main.repaint();
    });

    const QStringList texts = {QStringLiteral("Kopierer: C:\\Data\\Dokumenter\\Årsrapport 2026.docx"),
                               QStringLiteral("Kopierer: C:\\Data\\Dokumenter\\budsjett.xlsx"),
                               QStringLiteral("Kopierer: C:\\Data\\Dokumenter\\Brev\\til banken.txt")};
    qv::RunState &state = main.engine().state;
    const Figures status = timeRounds(rounds, [&](int i) {
        state.shbStatus = texts[i % texts.size()];
        main.showState();
        QApplication::processEvents();
    });

    std::printf("%d rounds, device pixel ratio %.2g, %d panels and bars, %d buttons\n", rounds,
                main.devicePixelRatioF(), int(drawn.size() + forms.size()),
                int(main.findChildren<qvButtonBase *>().size()));
    bool ok = report("main window full repaint", main.size(), full, FullRepaintBudgetMs);
    ok &= report("status text during a run", main.shbStatus()->size(), status, StatusTextBudgetMs);
    qv::setDialog(nullptr);
    return ok ? 0 : 1;
}
