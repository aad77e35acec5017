#pragma once
#include "CommandLine.h"

#include <QTextStream>

namespace qv
{

// --verify "Navn": the exit status of verifyTemplate (0, 1, 2), or ExitBadArguments
// for an unknown template.
int runVerify(const CommandLine &c, QTextStream &out, QTextStream &err);
// Stores --keep-versions, --read-back and --keep-archives and says what is now in force.
void applySettings(const CommandLine &c, QTextStream &out);

} // namespace qv
