#pragma once
#include <QString>

namespace qv
{

// Starts the text viewer on a file without waiting: QVBACKUP_TEXT_VIEWER when set
// (a program, run with the host path as its argument), else xdg-open.
// Throws 53 when the viewer program does not exist, 75 when it would not start.
void startTextViewer(const QString &windowsPath);

// The logon name, as the host provides it.
QString logonName();

} // namespace qv
