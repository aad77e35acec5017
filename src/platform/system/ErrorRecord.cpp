#include "platform/system/ErrorRecord.h"

#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/base/PlatformError.h"
#include "platform/files/TextFile.h"
#include "platform/system/DataFolder.h"

namespace qv
{

namespace
{
const QString kCrLf = QStringLiteral("\r\n");
}

QString versionText(int revisionDigits)
{
    return QStringLiteral("%1.%2.%3")
        .arg(ProgramVersion::Major)
        .arg(ProgramVersion::Minor)
        .arg(ProgramVersion::Revision, revisionDigits, 10, QChar('0'));
}

QString errorRecord(const QString &module, const QString &procedure, qint32 number,
                    const QString &description)
{
    QString r;
    r += "*** Feil registrert " + formatGeneralDate(now()) + " på " + kProgramTitle + " " + versionText(1) +
         " ***" + kCrLf;
    r += QString(60, '-') + kCrLf;
    r += "Feil nr: " + QString::number(number) + kCrLf;
    r += "Beskrivelse: " + description + kCrLf;
    r += "Modul: " + module + kCrLf;
    r += "Prosedyre: " + procedure + kCrLf;
    r += kCrLf + kCrLf;
    return r;
}

void appendErrorRecord(const QString &fileName, const QString &module, const QString &procedure,
                       qint32 number, const QString &description)
{
    // A record that cannot be written is lost without a word.
    (void)appendTextFile(dataFile(fileName), errorRecord(module, procedure, number, description));
}

} // namespace qv
