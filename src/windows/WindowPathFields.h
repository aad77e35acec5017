#pragma once
#include "engine/RunState.h"

#include <QFont>
#include <QObject>

class QWidget;

namespace qv
{

// The main window's path fields as the engine measures them: the two folder boxes
// and the status line, each with its own font and width.
class WindowPathFields : public QObject, public PathFields
{
public:
    WindowPathFields(QObject *owner, const QWidget *fra, const QWidget *til, const QWidget *status);
    int room(Field field) const override;
    int textWidth(Field field, const QString &text) const override;

private:
    const QWidget *widget(Field field) const;
    const QWidget *m_fra, *m_til, *m_status;
};

// A path shortened to width pixels in font.
QString shortPathIn(const QFont &font, const QString &path, int width);

} // namespace qv
