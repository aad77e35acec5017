#pragma once
#include <QDateTime>
#include <QString>

namespace qv
{

// Number and time formatting after the user's locale (QLocale(); tests pin nb_NO).
QString timeSeparator();
QChar decimalSeparator();
QString groupSeparator();

// Fixed decimals with digit grouping, halves away from zero ("###,##0.00" with 2).
QString formatGrouped(double value, int decimals);
// Fixed decimals without grouping, halves away from zero ("#0.0" with 1).
QString formatPlain(double value, int decimals);

// "dd.mm.yyyy   kl. Hh:Nn:Ss" (last-run times and log lines)
QString formatRunTime(const QDateTime &local);
// "yyyy.mm.dd  Hh:Nn" (file dates in the lists)
QString formatFileTime(const QDateTime &local);
// The same for a time in nanoseconds since the epoch (UTC), shown in local time.
QString formatFileTimeUtcNs(qint64 utcNs);
// The general date conversion: short date, blank, time with seconds ("07.12.2026 17:47:08")
QString formatGeneralDate(const QDateTime &local);

} // namespace qv
