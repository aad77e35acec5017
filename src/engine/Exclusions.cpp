#include "engine/Exclusions.h"

#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
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
        FieldReader in(readTextFile(path));
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
    for (const QString &entry : lstFiltyper)
        text += '"' + entry + "\"\r\n";
    try {
        writeTextFile(programFile(Files::Utelat), text);
    } catch (const PlatformError &e) {
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
