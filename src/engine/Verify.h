#pragma once
#include "engine/BackupMal.h"

#include <QStringList>

namespace qv
{

// A template's backup read back and compared with its source: the mirror's files, or
// every entry of the newest zip archive.
struct VerifyResult {
    int status = 0;    // 0: it matches; 1: files differ or are missing; 2: the backup cannot be read
    QStringList lines; // every difference, then a summary
};
VerifyResult verifyTemplate(const BackupMal &m, const QStringList &exclusions);

} // namespace qv
