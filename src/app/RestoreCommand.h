#pragma once
#include "CommandLine.h"

#include <QTextStream>

namespace qv
{
// --restore: brings a template's files back without a window. Returns the exit status
// (0 all came back, 1 some did not, 2 failed or stopped, 3 bad arguments, 4 in use).
int runRestore(const CommandLine &c, QTextStream &out, QTextStream &err);
} // namespace qv
