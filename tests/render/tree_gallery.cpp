// Gallery shots of the directory tree over a small folder world of its own: the
// drives at start, an opened path with its selection, hidden folders with lines, a
// root folder and a disabled tree.
#include "ControlCatalog.h"

#include "controls/tree/qvTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using qv::qvTree;

namespace
{

// The drive table of the shots, made once: C: with folders, a memory stick, a CD
// and a network share.
void useGalleryDrives()
{
    static QTemporaryDir root;
    static bool made = false;
    if (!made) {
        made = true;
        const QString r = root.path();
        for (const char *d :
             {"C/Data/Foto/2020/Sommer", "C/Data/Foto/2021", "C/Data/Musikk", "C/Data/.privat",
              "C/Program/Backup", "C/$Recycle.Bin", "C/Windows", "D/Bilder", "E", "X/Felles/Prosjekt"})
            QDir().mkpath(r + u'/' + QString::fromLatin1(d));
        QFile f(r + QStringLiteral("/C/Data/notat.txt"));
        if (f.open(QIODevice::WriteOnly))
            f.write("x");
    }
    const QString r = root.path();
    qputenv("QVBACKUP_DRIVES",
            QFile::encodeName(QStringLiteral("C=%1/C:3:System;D=%1/D:2:MINNEPINNE;E=%1/E:5:FILMER;"
                                             "X=%1/X:4::\\\\server\\felles")
                                  .arg(r)));
}

void addTreeShot(const QString &name, const QString &caption, const std::function<void(qvTree *)> &configure,
                 const std::function<void(qvTree *)> &settle = {})
{
    qvcatalog::add({name, caption, QSize(240, 260),
                    [configure](QWidget *host) {
                        useGalleryDrives();
                        auto *t = new qvTree(host);
                        t->setGeometry(host->rect());
                        t->setAutoUpdate(false);
                        if (configure)
                            configure(t);
                        return t;
                    },
                    [settle](QWidget *w) {
                        if (settle)
                            settle(static_cast<qvTree *>(w));
                    }});
}

} // namespace

QV_CATALOG(treeShots)
{
    addTreeShot(QStringLiteral("qvTree_drives"),
                QStringLiteral("qvTree at start: the computer and its drives"), {});
    addTreeShot(QStringLiteral("qvTree_path"),
                QStringLiteral("qvTree with C:\\Data\\Foto opened and selected"),
                [](qvTree *t) { t->setGoToPath(QStringLiteral("C:\\Data\\Foto")); });
    addTreeShot(QStringLiteral("qvTree_hidden-lines"),
                QStringLiteral("qvTree with hidden folders and tree lines, C:\\Data selected"),
                [](qvTree *t) {
                    t->setShowHidden(true);
                    t->setShowTreeLines(true);
                    t->setGoToPath(QStringLiteral("C:\\Data"));
                });
    addTreeShot(QStringLiteral("qvTree_rootfolder"),
                QStringLiteral("qvTree with RootFolder C:\\Data, no border"), [](qvTree *t) {
                    t->setRootFolder(QStringLiteral("C:\\Data"));
                    t->setRootFolderText(QStringLiteral("Mine data"));
                    t->setBorder(false);
                });
    addTreeShot(
        QStringLiteral("qvTree_disabled"), QStringLiteral("qvTree disabled, C:\\Data\\Musikk selected"),
        [](qvTree *t) { t->setGoToPath(QStringLiteral("C:\\Data\\Musikk")); },
        [](qvTree *t) { t->setEnabled(false); });
}
