#include "engine/Exclusions.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"

namespace qv
{

void Exclusions::General_LesUtelat(bool showInEditor, QStringList *lstFiltyper)
{
    s.UtelatListe.clear();
    try {
        const QString path = programFile(Files::Utelat);
        if (!fileExists(path))
            return;
        FieldReader in(readTextFile(path).orThrow());
        while (!in.atEnd()) {
            const QString entry = in.next();
            s.UtelatListe << entry;
            if (showInEditor && lstFiltyper)
                *lstFiltyper << entry;
        }
    } catch (const PlatformError &e) {
        if (e.number() != Err::PathFileAccess && e.number() != Err::PathNotFound)
            General_LoggFeil(QStringLiteral("frmBackup"), QStringLiteral("General_LesUtelat"), e.number(),
                             e.description());
    }
}

void Exclusions::General_LagreUtelat(const QStringList &lstFiltyper)
{
    // The list in memory is what the user chose, whether or not the file can be
    // written; an empty list here would silently back up every excluded type.
    s.UtelatListe = lstFiltyper;
    QString text;
    for (const QString &entry : lstFiltyper) {
        const std::optional<QString> field = fieldText(entry);
        if (!field) {
            // Written, the entry would read back as another.
            msgBox("Listen over filtyper ble ikke lagret: «" + entry +
                       "» inneholder tegn som filen ikke kan holde.",
                   Buttons::OK, Icon::Exclamation);
            return;
        }
        text += *field + kCrLf;
    }
    if (const Result<void> written = writeTextFile(programFile(Files::Utelat), text); !written) {
        const PlatformError e(written.error().number);
        General_LoggFeil(QStringLiteral("frmUtelat"), QStringLiteral("General_LagreUtelat"), e.number(),
                         e.description());
    }
}

QStringList Exclusions::lowerCased(const QStringList &list)
{
    QStringList lower;
    lower.reserve(list.size());
    for (const QString &e : list)
        lower << e.toLower();
    return lower;
}

bool Exclusions::isExcluded(const QString &extension, const QStringList &lowerCaseList)
{
    return lowerCaseList.contains(extension);
}

} // namespace qv
