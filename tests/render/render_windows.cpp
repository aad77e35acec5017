// Renders the program's windows, filled with a small sample, to PNG files under
// <build folder>/gallery/windows_*.png, for a look with one's own eyes; then the same
// at device pixel ratios 1.5 and 2 into gallery/x1.5 and gallery/x2.
// Usage: qv_render_windows [--ratio=R: that ratio only] [folder]
#include "Gallery.h"
#include "controls/filelist/qvFileList.h"
#include "controls/tree/qvTree.h"
#include "engine/BackupEngine.h"
#include "platform/base/ScriptedDialog.h"
#include "windows/frmBackup.h"
#include "windows/frmGjenopprett.h"
#include "windows/frmKatalog.h"
#include "windows/frmUtelat.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTextStream>

namespace
{
void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

bool save(QWidget &w, const QString &dir, const QString &name)
{
    w.show();
    QApplication::processEvents();
    QApplication::processEvents();
    const QString path = dir + "/windows_" + name + ".png";
    const bool ok = w.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << "\n";
    return ok;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int givenArgs = argc;
    const QString ratioFolder = qvgallery::TakeRatioArgument(argc, argv);
    const bool oneRatio = argc != givenArgs;
    QTemporaryDir sample;
    const QString c = sample.path() + "/c";
    writeFile(c + "/Data/Dokumenter/Årsrapport 2026.docx", QByteArray(48000, 'r'));
    writeFile(c + "/Data/Dokumenter/budsjett.xlsx", QByteArray(12500, 'b'));
    writeFile(c + "/Data/Dokumenter/Brev/til banken.txt", "Hei");
    writeFile(c + "/Data/Dokumenter/kladd.tmp", "x");
    writeFile(c + "/Program/Backup/BackupUtelat.txt", "\"tmp\"\r\n\"bak\"\r\n\"swp\"\r\n\"~$\"\r\n");
    writeFile(c + "/Program/Backup/BackupMal.txt",
              "\"Dokumenter\",\"C:\\Data\\Dokumenter\\\",\"D:\\Sikring\\\",-1,-1,\"07.12.2026   kl. "
              "17:47:06\",-1\r\n");
    const QString d = sample.path() + "/d/Sikring";
    writeFile(d + "/Backup av Dokumenter/Årsrapport 2026.docx", QByteArray(48000, 'r'));
    writeFile(d + "/Backup av Dokumenter/budsjett.xlsx", QByteArray(12500, 'b'));
    writeFile(d + "/Backup av Dokumenter/Brev/til banken.txt", "Hei");
    writeFile(d + "/Backup av Dokumenter/Brev/2025/julekort til familien og venner.txt",
              QByteArray(1800, 'j'));
    writeFile(d + "/Backup av Dokumenter/Bilder/Ferie på Hvaler/strand.jpg", QByteArray(2400000, 's'));
    writeFile(d + "/Backup av Dokumenter/Bilder/Ferie på Hvaler/båten.jpg", QByteArray(1900000, 'b'));
    writeFile(d + "/Eldre versjoner av Dokumenter/2026_12_07  kl_1747/budsjett.xlsx", QByteArray(9000, 'g'));
    QDir().mkpath(c + "/Program/Backup/Res");
    for (const char *picture :
         {"Start.png", "NyMal.png", "FileSave.png", "SlettMal.png", "Utelat.png", "Exit.png"})
        QFile::copy(QStringLiteral(QV_RES_DIR "/") + picture, c + "/Program/Backup/Res/" + picture);
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("C=" + c + ";D=" + sample.path() + "/d"));
    qputenv("QVBACKUP_PROGRAM_DIR", "C:\\Program\\Backup");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sample.path() + "/config"));

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QV_GALLERY_DIR);
    const QString dir = ratioFolder.isEmpty() ? base : base + '/' + ratioFolder;
    QDir().mkpath(dir);
    qv::ScriptedDialog quiet;
    qv::setDialog(&quiet);

    qv::BackupEngine engine;
    engine.actions.startUp();
    bool ok = true;
    {
        qv::frmUtelat utelat(engine.exclusions);
        ok &= save(utelat, dir, "frmUtelat");
    }
    {
        qv::frmKatalog katalog("C:\\Data\\Dokumenter\\");
        katalog.setWindowTitle("Velg FRA-mappe");
        ok &= save(katalog, dir, "frmKatalog");
    }
    {
        // The sample template packs zips; the window is shown over a copy backup.
        std::vector<qv::BackupMal> rows = engine.state.lsv1.rows();
        rows.front().LagZip = "0";
        qv::frmGjenopprett restore(rows, "Dokumenter");
        ok &= save(restore, dir, "frmGjenopprett");
        // A folder chosen in the tree, one of its files picked in the list.
        if (QStandardItem *brev = restore.tvwMapper()->givenNode("Brev"))
            restore.tvwMapper()->treeView()->setCurrentIndex(brev->index());
        restore.lvwFiler()->ListSelectClear();
        restore.lvwFiler()->ListSelect(1);
        ok &= save(restore, dir, "frmGjenopprett_mappe");
    }
    {
        qv::frmBackup main;
        main.show();
        qv::setDialog(&quiet);
        main.engine().state.cboMal.setListIndex(1);
        main.engine().scan.General_SokFiler();
        main.engine().state.lvw1().Refresh();
        main.showState();
        ok &= save(main, dir, "frmBackup");
    }
    qv::setDialog(nullptr);
    if (!oneRatio)
        for (const char *ratio : qvgallery::Ratios)
            if (QByteArray(ratio) != "1")
                ok &= QProcess::execute(QCoreApplication::applicationFilePath(),
                                        {QStringLiteral("--ratio=") + QLatin1String(ratio), base}) == 0;
    return ok ? 0 : 1;
}
