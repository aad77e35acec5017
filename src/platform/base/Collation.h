#pragma once
#include <QString>

namespace qv
{

// The order in which the user's language sorts names (nb_NO: Æ, Ø, Å after Z),
// letter case ignored. Follows QLocale() as it is at the call.
int compareNames(const QString &a, const QString &b);
inline bool lessName(const QString &a, const QString &b)
{
    return compareNames(a, b) < 0;
}

} // namespace qv
