#pragma once
#include <QCursor>
#include <QPixmap>

namespace qv
{

// The pointer numbers of the MousePointer properties (0 default ... 15 size-all,
// 99 the MouseIcon picture) as cursors.
namespace MousePointer
{

constexpr int Default = 0;
constexpr int SizeNWSE = 8;
constexpr int Custom = 99;

QCursor CursorFor(int pointer, const QPixmap &icon = QPixmap());

} // namespace MousePointer

} // namespace qv
