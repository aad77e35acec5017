// Shots of the file list: report view with folders above files, a selection and a
// hidden file; the icon, small-icon and list views; the found-file list of a scan.
#include "ControlCatalog.h"

#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using qv::qvFileList;
using qv::qvFileListModel;
namespace qvFileListFormat = qv::qvFileListFormat;

namespace
{

// A small folder on a drive of its own, made once per process with fixed times so the
// pictures do not change from run to run.
QString sampleRoot()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        made = true;
        const QDateTime when(QDate(2026, 11, 20), QTime(14, 32));
        QDir(dir.path()).mkpath("Dokumenter/Bilder");
        QDir(dir.path()).mkpath("Dokumenter/Arkiv");
        const struct {
            const char *name;
            int size;
        } files[] = {{"Budsjett 2027.xlsx", 48211},
                     {"Referat styremøte.docx", 19876},
                     {"notater.txt", 1536},
                     {"kart.png", 734003},
                     {"Sikkerhetskopi.zip", 12582912},
                     {"installer.exe", 2310144},
                     {"LESMEG", 880},
                     {".innstillinger", 214}};
        for (const auto &f : files) {
            QFile file(dir.path() + "/Dokumenter/" + QString::fromUtf8(f.name));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(QByteArray(f.size, 'x'));
                file.flush();
                file.setFileTime(when, QFileDevice::FileModificationTime);
            }
        }
        const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        for (const char *folder : {"Dokumenter/Bilder", "Dokumenter/Arkiv"})
            ::utimensat(AT_FDCWD, QFile::encodeName(dir.path() + "/" + folder).constData(), times, 0);
    }
    return dir.path();
}

// Fills the list from the sample folder under drive G: and puts the process's drive
// table and number format back afterwards.
void fillFromSample(qvFileList *list)
{
    const QByteArray oldDrives = qgetenv("QVBACKUP_DRIVES");
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
    qputenv("QVBACKUP_DRIVES", QFile::encodeName("G=" + sampleRoot()));
    list->setAutoUpdate(false);
    list->setPath("G:\\Dokumenter");
    if (oldDrives.isNull())
        qunsetenv("QVBACKUP_DRIVES");
    else
        qputenv("QVBACKUP_DRIVES", oldDrives);
    QLocale::setDefault(oldLocale);
}

qvFileList *placed(QWidget *host)
{
    auto *list = new qvFileList(host);
    list->setGeometry(4, 4, host->width() - 8, host->height() - 8);
    return list;
}

} // namespace

QV_CATALOG(fileListShots)
{
    qvcatalog::add({"qvFileList_report",
                    "qvFileList report view, folders first, two rows selected, hidden file shown",
                    {620, 230},
                    [](QWidget *host) {
                        auto *list = placed(host);
                        list->setHideColumnHeaders(false);
                        list->setShowFolders(true);
                        list->setShowHidden(true);
                        list->setFullRowSelect(true);
                        list->setColumnWidth1(210);
                        list->setColumnWidth4(120);
                        fillFromSample(list);
                        list->ListSelect(4);
                        list->ListSelect(6);
                        return list;
                    }});
    qvcatalog::add({"qvFileList_report_size_desc",
                    "qvFileList sorted by size, descending, types from the host",
                    {620, 230},
                    [](QWidget *host) {
                        auto *list = placed(host);
                        list->setHideColumnHeaders(false);
                        list->setShowFileType(true);
                        list->setColumnWidth1(190);
                        list->setColumnWidth2(150);
                        list->setColumnWidth4(120);
                        fillFromSample(list);
                        list->SortColumn(2, 1);
                        list->ListSelect(1);
                        return list;
                    }});
    const struct {
        int view;
        const char *name, *caption;
    } views[] = {{0, "qvFileList_large_icons", "qvFileList large icons (View 0)"},
                 {1, "qvFileList_small_icons", "qvFileList small icons (View 1)"},
                 {2, "qvFileList_list", "qvFileList list (View 2)"}};
    for (const auto &v : views) {
        const int view = v.view;
        qvcatalog::add({v.name, v.caption, {520, 230}, [view](QWidget *host) {
                            auto *list = placed(host);
                            list->setShowFolders(true);
                            list->setView(view);
                            fillFromSample(list);
                            list->ListSelect(3);
                            return list;
                        }});
    }
    qvcatalog::add({"qvFileList_found_files",
                    "qvFileList as the found-file list of a scan (manual mode, full paths)",
                    {620, 150},
                    [](QWidget *host) {
                        auto *list = placed(host);
                        list->setFillMode(1);
                        list->setShowFullPath(true);
                        list->setHideColumnHeaders(false);
                        list->setColumnWidth1(300);
                        const QLocale oldLocale;
                        QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
                        const QString date = "2026.11.20  14:32";
                        list->AddItem("C:\\Data\\Regnskap\\bilag 001.pdf", "pdf",
                                      qvFileListFormat::sizeText(182044, 2), date, "a");
                        list->AddItem("C:\\Data\\Regnskap\\bilag 002.pdf", "pdf",
                                      qvFileListFormat::sizeText(95120, 2), date, "a");
                        list->AddItem("C:\\Data\\Regnskap\\.låst", "", qvFileListFormat::sizeText(12, 2),
                                      date, "ah");
                        list->AddItem("C:\\Data\\Regnskap\\2026\\årsoppgjør.xlsx", "xlsx",
                                      qvFileListFormat::sizeText(1893210, 2), date, "ar");
                        QLocale::setDefault(oldLocale);
                        return list;
                    }});
}
