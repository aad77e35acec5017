#include "platform/system/ErrorMessage.h"

#include "platform/base/UserDialog.h"
#include "platform/system/ErrorRecord.h"

#include <QStringList>

namespace qv
{

void showErrorMessage(const QString &logFile, const QString &supportAddress, const QString &module,
                      const QString &procedure, qint32 number, const QString &description)
{
    const QString text =
        QStringList{
            "Feil nr: " + QString::number(number),
            "Beskrivelse: " + description,
            QString(),
            "Modul: " + module,
            "Prosedyre: " + procedure,
            QString(),
            "Feilmeldingene over er kopiert til filen " + logFile + ",",
            QStringLiteral("denne ligger i mappen til Kelvaro."),
            QStringLiteral("Det hadde vært fint om du vil sende filen til"),
            "e-post adressen, [" + supportAddress + "].",
            QStringLiteral("På denne måten kan evt. feil utbedres."),
        }
            .join(QStringLiteral("\r\n"));
    dialog().messageBox(text, Buttons::OK, Icon::Critical,
                        "En feil har oppstått. Programversion: " + versionText(4), 1);
}

} // namespace qv
