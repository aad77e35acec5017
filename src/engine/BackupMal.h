#pragma once
#include <QString>

namespace qv
{

// One backup template; flags are the texts "-1" (true) and "0" (false).
struct BackupMal {
    QString Malnavn, Fra, Til, Underkat, Endrede, SistKjort, LagZip;
};

inline QString flagText(bool b)
{
    return b ? QStringLiteral("-1") : QStringLiteral("0");
}
// "-1" (and any other non-zero number, "True") is true; anything else false.
bool flagValue(const QString &text);

} // namespace qv
