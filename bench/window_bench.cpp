// The main window with a million found files: a real backup start on a source folder
// (the corpus of bench/backup), answered No at the question, then what a user feels:
//  - from the end of the scan to the list shown and the question asked (budget 1 s);
//  - a click on each column's title, the list sorted and drawn (budget 2 s);
//  - one page down in the list and its repaint, and a repaint of the window (16 ms);
//  - the process's peak memory (budget 300 MB).
// Usage: window_bench SOURCE_DIR [rounds, default 50]
//   e.g. window_bench /dev/shm/qvbackup-bench/corpus-small-10/Kilde
#include "controls/filelist/qvFileList.h"
#include "engine/BackupEngine.h"
#include "platform/base/ScriptedDialog.h"
#include "windows/frmBackup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace qv;

namespace
{

// Notes when the scan lets go of the busy pointer and when the question comes.
class TimedDialog : public ScriptedDialog
{
public:
    QElapsedTimer clock;
    qint64 scanEndNs = -1, questionNs = -1;
    void setBusyPointer(bool busy) override
    {
        if (!busy && questionNs < 0)
            scanEndNs = clock.nsecsElapsed();
        ScriptedDialog::setBusyPointer(busy);
    }
    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                      int defaultButton) override
    {
        if (questionNs < 0 && text.startsWith(QStringLiteral("Fant ")))
            questionNs = clock.nsecsElapsed();
        return ScriptedDialog::messageBox(text, buttons, icon, title, defaultButton);
    }
};

double peakMb()
{
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

template <typename F> double medianMs(int rounds, F once)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        once();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void line(const char *what, double value, const char *unit, double budget)
{
    std::printf("%-40s %9.1f %s   budget %6.0f %s  %s\n", what, value, unit, budget, unit,
                value <= budget ? "ok" : "OVER");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench SOURCE_DIR [rounds]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 50;
    QTemporaryDir work;
    const QString program = work.path() + "/p";
    QDir().mkpath(program + "/Program");
    QDir().mkpath(work.path() + "/d");
    QFile mal(program + "/Program/BackupMal.txt");
    if (!mal.open(QIODevice::WriteOnly))
        return 2;
    mal.write(
        QStringLiteral("\"Bench\",\"C:\\%1\\\",\"D:\\Ut\\\",-1,0,\"\",0\r\n").arg(source.dirName()).toUtf8());
    mal.close();
    QDir parent = source;
    parent.cdUp();
    qputenv("QVBACKUP_DRIVES",
            QFile::encodeName("C=" + parent.absolutePath() + ";D=" + work.path() + "/d;P=" + program));
    qputenv("QVBACKUP_PROGRAM_DIR", "P:\\Program");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path() + "/config"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(work.path() + "/state"));

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
    TimedDialog dialog;
    setDialog(&dialog);
    frmBackup main;
    main.show();
    setDialog(&dialog);
    RunState &state = main.engine().state;
    state.cboMal.setListIndex(1);
    QApplication::processEvents();
    const double before = peakMb();

    dialog.queueAnswer(Answer::No);
    dialog.clock.start();
    main.engine().actions.start();
    QApplication::processEvents();
    const int n = state.found.count();
    std::printf("%d files found, scan %.2f s; peak before the start %.0f MB\n", n,
                double(dialog.scanEndNs) / 1e9, before);
    line("end of scan -> list shown, question", double(dialog.questionNs - dialog.scanEndNs) / 1e6, "ms",
         1000);

    qvFileList &list = *main.lvw1();
    list.setEnabled(true);
    QTreeView *view = list.reportView();
    QHeaderView *header = view->header();
    for (int column : {0, 1, 2, 3, 4, 0}) {
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 8, header->height() / 2));
        view->viewport()->repaint();
        const QByteArray what = "sort by column " + QByteArray::number(column + 1) + ", drawn";
        line(what.constData(), double(t.nsecsElapsed()) / 1e6, "ms", 2000);
    }
    view->setFocus();
    const double page = medianMs(rounds, [&] {
        QTest::keyClick(view, Qt::Key_PageDown);
        view->viewport()->repaint();
    });
    line("one page down, repainted (median)", page, "ms", 16);
    const double whole = medianMs(rounds, [&] { main.repaint(); });
    line("window repaint (median)", whole, "ms", 16);
    line("peak memory", peakMb(), "MB", 300);
    setDialog(nullptr);
    return 0;
}
