#include "windows/WindowPathFields.h"

#include "engine/modBackup.h"

#include <QFontMetrics>
#include <QWidget>

namespace qv
{

WindowPathFields::WindowPathFields(QObject *owner, const QWidget *fra, const QWidget *til,
                                   const QWidget *status)
    : QObject(owner), m_fra(fra), m_til(til), m_status(status)
{
}

const QWidget *WindowPathFields::widget(Field field) const
{
    return field == FraBox ? m_fra : field == TilBox ? m_til : m_status;
}

int WindowPathFields::room(Field field) const
{
    return widget(field)->width();
}

int WindowPathFields::textWidth(Field field, const QString &text) const
{
    return QFontMetrics(widget(field)->font()).horizontalAdvance(text);
}

QString shortPathIn(const QFont &font, const QString &path, int width)
{
    const QFontMetrics fm(font);
    return General_KortSti([&](const QString &t) { return fm.horizontalAdvance(t); }, path, width);
}

} // namespace qv
