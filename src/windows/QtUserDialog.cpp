#include "windows/QtUserDialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <chrono>

namespace qv
{
namespace
{

struct ButtonSpec {
    Answer answer;
    QString text;
    QMessageBox::ButtonRole role;
};

QList<ButtonSpec> buttonsOf(Buttons b)
{
    const ButtonSpec ok{Answer::OK, QStringLiteral("&OK"), QMessageBox::AcceptRole};
    const ButtonSpec cancel{Answer::Cancel, QStringLiteral("&Avbryt"), QMessageBox::RejectRole};
    const ButtonSpec yes{Answer::Yes, QStringLiteral("&Ja"), QMessageBox::YesRole};
    const ButtonSpec no{Answer::No, QStringLiteral("&Nei"), QMessageBox::NoRole};
    const ButtonSpec retry{Answer::Retry, QStringLiteral("&Prøv igjen"), QMessageBox::AcceptRole};
    switch (b) {
    case Buttons::OK:
        return {ok};
    case Buttons::OKCancel:
        return {ok, cancel};
    case Buttons::YesNoCancel:
        return {yes, no, cancel};
    case Buttons::YesNo:
        return {yes, no};
    case Buttons::RetryCancel:
        return {retry, cancel};
    }
    return {ok};
}

QMessageBox::Icon qtIcon(Icon i)
{
    switch (i) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QWidget *QtUserDialog::dialogOwner()
{
    if (QWidget *w = QApplication::activeWindow())
        return w;
    // Not active (another program has the focus): the main window all the same.
    QWidget *any = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup)
            continue;
        if (w->inherits("QMainWindow"))
            return w;
        if (!any)
            any = w;
    }
    return any;
}

void QtUserDialog::centreOn(QWidget &dialog, QWidget *owner)
{
    if (owner)
        centreOn(dialog, owner->window()->frameGeometry());
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        centreOn(dialog, screen->availableGeometry());
}

void QtUserDialog::centreOn(QWidget &dialog, const QRect &area)
{
    dialog.adjustSize();
    const QSize frame = dialog.frameGeometry().size();
    QPoint topLeft = area.center() - QPoint(frame.width() / 2, frame.height() / 2);
    // Kept on the screen the area is on.
    if (const QScreen *screen = QGuiApplication::screenAt(area.center())) {
        const QRect avail = screen->availableGeometry();
        topLeft.setX(
            qBound(avail.left(), topLeft.x(), qMax(avail.left(), avail.right() - frame.width() + 1)));
        topLeft.setY(
            qBound(avail.top(), topLeft.y(), qMax(avail.top(), avail.bottom() - frame.height() + 1)));
    }
    dialog.move(topLeft);
}

qint64 QtUserDialog::now() const
{
    return m_clock ? m_clock()
                   : std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
}

void QtUserDialog::refreshNow()
{
    if (!m_before)
        return;
    m_lastRefresh = now();
    m_before();
}

Answer QtUserDialog::messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title,
                                int defaultButton)
{
    refreshNow(); // the window behind the question shows the state it asks about
    QWidget *owner = dialogOwner();
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, owner);
    const QList<ButtonSpec> specs = buttonsOf(buttons);
    QList<QPushButton *> made;
    for (const ButtonSpec &s : specs)
        made << box.addButton(s.text, s.role);
    const int def = qBound(1, defaultButton, int(made.size())) - 1;
    box.setDefaultButton(made[def]);
    // Closing the box with Esc or the title bar answers Cancel where there is one.
    for (int i = 0; i < specs.size(); ++i)
        if (specs[i].answer == Answer::Cancel || (specs.size() == 1))
            box.setEscapeButton(made[i]);
    centreOn(box, owner);
    const bool wasBusy = m_busy;
    if (wasBusy)
        QApplication::restoreOverrideCursor();
    box.exec();
    if (wasBusy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = 0; i < specs.size(); ++i)
        if (box.clickedButton() == made[i])
            return specs[i].answer;
    return specs.size() > 1 ? specs.back().answer : specs.front().answer;
}

QString QtUserDialog::prompt(const QString &text, const QString &title, const QString &defaultAnswer)
{
    refreshNow();
    QWidget *owner = dialogOwner();
    QInputDialog dlg(owner);
    dlg.setWindowTitle(title);
    dlg.setLabelText(text);
    dlg.setTextValue(defaultAnswer);
    dlg.setOkButtonText(QStringLiteral("&OK"));
    dlg.setCancelButtonText(QStringLiteral("&Avbryt"));
    centreOn(dlg, owner);
    return dlg.exec() == QDialog::Accepted ? dlg.textValue() : QString();
}

void QtUserDialog::setBusyPointer(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUserDialog::processEvents()
{
    // Pushing the state to the screen at most ~30 times a second keeps a run of
    // many small files from spending its time repainting; input is still taken
    // at every call, so Esc stays responsive.
    if (!m_lastRefresh || now() - *m_lastRefresh >= kRefreshIntervalMs)
        refreshNow();
    QApplication::processEvents();
}

} // namespace qv
