#pragma once
#include "engine/modBackup.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "support/EngineFixture.h"

#include <QDateTime>

namespace qvtest
{

// Templates written straight into the program folder, a fixed clock, and helpers to
// run Start as the user does.
class RunTest : public EngineTest
{
protected:
    RunTest() : clock(QDateTime(QDate(2026, 12, 7), QTime(17, 47, 6))) { qv::setClock(&clock); }
    ~RunTest() override
    {
        qv::setClock(nullptr);
        qv::setCopyFaultHook({});
    }

    struct Mal {
        QString name, fra, til;
        bool underkat = true, endrede = false, zip = false;
    };
    // Writes the template file with these templates and starts the engine up on it.
    void useTemplates(const QList<Mal> &mals)
    {
        QByteArray text;
        for (const Mal &m : mals)
            text += QString("\"%1\",\"%2\",\"%3\",%4,%5,\"\",%6\r\n")
                        .arg(m.name, m.fra, m.til, qv::flagText(m.underkat), qv::flagText(m.endrede),
                             qv::flagText(m.zip))
                        .toUtf8();
        writeProgramFile("BackupMal.txt", text);
        restart().actions.startUp();
    }
    void select(const QString &name) { state().cboMal.setListIndex(state().cboMal.items().indexOf(name)); }
    void start() { engine().run.qvbStart_Click(); }
    // Start, Yes to go, No to the log question.
    void startAndConfirm()
    {
        dialog.queueAnswer(qv::Answer::Yes);
        dialog.queueAnswer(qv::Answer::No);
        start();
    }
    QString log(const QString &name = "BackupLoggEnkel.txt")
    {
        return QString::fromLatin1(programFileBytes(name));
    }
    QString runTime() const { return clock.now().toString("dd.MM.yyyy   'kl.' HH:mm:ss"); }

    qv::FixedClock clock;
};

using qv::kCrLf;
inline const QString kAsterisks = QString(49, '*');

// Lines 1 to 8 of a log block, as a run with subfolders writes them.
inline QString logHeader(const QString &name, const QString &fra, const QString &til, int count,
                         const QString &time, const QString &type = "Alle filer", const QString &zip = "Nei")
{
    QString h = "Backup mal: \t\t" + name + kCrLf + "Backup type: \t\t" + type + kCrLf + "Kilde: \t\t\t" +
                fra + kCrLf + "Inkl. undermapper: \tJa" + kCrLf + "Destinasjon: \t\t" + til + kCrLf +
                "Til zipfil: \t\t" + zip + kCrLf + "Antall filer: \t\t" + QString::number(count) + kCrLf;
    if (count > 0)
        h += "Startet: \t\t" + time + kCrLf;
    return h;
}
// The asterisk line and the three empty lines that close a block.
inline QString blockEnd()
{
    return kAsterisks + kCrLf + kCrLf + kCrLf + kCrLf;
}

} // namespace qvtest
