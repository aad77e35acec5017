#pragma once
#include <QString>

namespace qv
{

// True when a session bus can be reached without starting one (an unattended run
// under a timer or cron may have none).
bool sessionBusPresent();

// Shows a desktop notification through org.freedesktop.Notifications. Sends nothing
// and returns false when there is no session bus or nobody answers.
bool notifyDesktop(const QString &title, const QString &body);

} // namespace qv
