// The settings the program reads: Backup.conf (the remembered template entry) and
// qvbackup/drives.conf (remembered drive letters), both given the input.
// Properties: the window starts on an entry the box has, with commands that fit it;
// every drive has a letter A to Z, each once; what the program stores reads back.
#include "FuzzSupport.h"

#include "engine/BackupEngine.h"
#include "platform/base/Settings.h"
#include "platform/paths/DriveTable.h"

#include <QSet>
#include <QSettings>
#include <cstdint>

using namespace qv;

namespace
{
const QByteArray kTemplates = "\"Bilder\",\"C:\\Bilder\\\",\"D:\\Sikring\\\",-1,0,\"\",0\r\n"
                              "\"Dokumenter\",\"C:\\Dok\\\",\"D:\\Sikring\\\",-1,-1,\"\",-1\r\n";
const QByteArray kMounts = "22 1 0:21 / / rw - ext4 /dev/nodisk rw\n"
                           "40 22 0:40 / /media/ola/USB\\040PINNE rw - vfat /dev/nousb rw\n"
                           "41 22 0:41 / /mnt/nas rw - nfs4 nas:/eksport rw\n";

QString settingsFile(const QSettings &s)
{
    return s.fileName();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    qvfuzz::sandbox();
    qvfuzz::resetFiles();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    qvfuzz::writeFreshFile(
        settingsFile(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Backup"))),
        input);
    qvfuzz::writeFreshFile(settingsFile(QSettings(QStringLiteral("qvbackup"), QStringLiteral("drives"))),
                           input);
    qvfuzz::writeProgramFile("BackupMal.txt", kTemplates);
    qvfuzz::CountingDialog dialog;
    setDialog(&dialog);

    BackupEngine e;
    e.actions.startUp();
    const RunState &s = e.state;
    const int i = s.cboMal.listIndex();
    if (i < 0 || i >= s.cboMal.count())
        qvfuzz::fail("the box starts on entry " + QString::number(i));
    if (i == 0 && (s.qvbSlett.enabled || s.qvbStart.enabled || !s.Fra.isEmpty()))
        qvfuzz::fail("the new entry starts with a template's commands");
    if (dialog.messages != 0)
        qvfuzz::fail("a setting made the window complain: " + dialog.last);

    QSet<QChar> letters;
    const DriveTable table = DriveTable::fromMountInfo(kMounts);
    for (const Drive &d : table.drives()) {
        if (d.letter < u'A' || d.letter > u'Z' || letters.contains(d.letter))
            qvfuzz::fail(QStringLiteral("drive letter ") + d.letter);
        letters.insert(d.letter);
    }

    // What the program stores reads back as stored: an entry number, a disk's label.
    saveSetting(QStringLiteral("Tilpass"), QStringLiteral("BackupIndex"), QString::number(i));
    if (getSetting(QStringLiteral("Tilpass"), QStringLiteral("BackupIndex")) != QString::number(i))
        qvfuzz::fail("the entry number did not read back");
    const QString label = QString::fromUtf8(input.left(64));
    {
        QSettings store(QStringLiteral("qvbackup"), QStringLiteral("drives"));
        store.setValue(QStringLiteral("volumes/fuzz"), QStringLiteral("E:") + label);
    }
    const QSettings again(QStringLiteral("qvbackup"), QStringLiteral("drives"));
    if (again.value(QStringLiteral("volumes/fuzz")).toString() != QStringLiteral("E:") + label)
        qvfuzz::fail("a label did not read back");
    setDialog(nullptr);
    return 0;
}
