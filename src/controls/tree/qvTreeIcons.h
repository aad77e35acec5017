#pragma once
#include <QIcon>
#include <QString>
#include <QStringList>

namespace qv
{

// The tree's 16 x 16 pictures under their image keys ("harddisk", "ClosedFolder",
// "SharedHiddenOpen", ...); an unknown key gives a null icon.
QIcon qvTreeIcon(const QString &imageKey);

} // namespace qv
