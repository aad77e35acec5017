#pragma once
#include <QString>

namespace qv
{

// The critical message every error log shows after it wrote its record: what
// failed, where the record went and whom to send it to; the title carries the
// program version.
void showErrorMessage(const QString &logFile, const QString &supportAddress, const QString &module,
                      const QString &procedure, qint32 number, const QString &description);

} // namespace qv
