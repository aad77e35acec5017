#pragma once
#include "engine/RunState.h"

namespace qv
{

// The exclusion list UtelatListe and its file BackupUtelat.txt.
class Exclusions
{
public:
    explicit Exclusions(RunState &state) : s(state) {}

    // Replaces UtelatListe with the file's entries; lstFiltyper (the editor's list),
    // when given, gets each entry appended too.
    void General_LesUtelat(bool showInEditor, QStringList *lstFiltyper = nullptr);
    // Replaces the file and UtelatListe with the editor's entries, in order.
    void General_LagreUtelat(const QStringList &lstFiltyper);

    // Whether a file extension (lower case, no dot) stands on the list.
    static bool isExcluded(const QString &extension, const QStringList &lowerCaseList);
    static QStringList lowerCased(const QStringList &list);

private:
    RunState &s;
};

} // namespace qv
