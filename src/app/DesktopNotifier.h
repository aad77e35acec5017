#pragma once
#include <QString>

#include <chrono>

namespace qv
{

// True when a session bus can be reached without starting one (an unattended run
// under a timer or cron may have none).
bool sessionBusPresent();

// Shows a desktop notification through org.freedesktop.Notifications. Sends nothing
// and returns false when there is no session bus, or when the bus and the
// notification service have not answered within the time given: a bus that
// accepts and never answers must not keep the run from ending.
bool notifyDesktop(const QString &title, const QString &body,
                   std::chrono::milliseconds giveUpAfter = std::chrono::seconds(2));

} // namespace qv
