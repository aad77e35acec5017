#include "windows/frmUtelat.h"

#include "controls/buttons/qvCommand.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/qvShadeForm.h"
#include "engine/Exclusions.h"
#include "platform/base/UserDialog.h"
#include "platform/files/TextFile.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace qv
{

frmUtelat::frmUtelat(Exclusions &exclusions, QWidget *owner) : QDialog(owner), m_exclusions(exclusions)
{
    setWindowTitle(QStringLiteral("Utelat filtyper"));
    setFixedSize(319, 281);
    setModal(true);

    m_background = new qvShadeForm(this);
    m_background->setColorA(qvKontrollerFelles::RGB(156, 219, 248));
    m_background->setColorB(qvKontrollerFelles::RGB(118, 179, 240));

    m_lblTopp[0] =
        new QLabel(QStringLiteral("Skriv inn filtype endelsen på filer som skal utelates fra kopiering og "
                                  "trykk knappen Tilføy for å legge de til i utelat-listen."),
                   this);
    m_lblTopp[0]->setWordWrap(true);
    m_lblTopp[0]->setGeometry(10, 8, 299, 46);
    m_txtFiltype = new QLineEdit(this);
    m_txtFiltype->setToolTip(QStringLiteral("Filtype endelsen som skal utelates"));
    m_txtFiltype->setGeometry(10, 62, 190, 24);
    m_lblTopp[1] = new QLabel(QStringLiteral("Filtyper som ikke skal tas med."), this);
    m_lblTopp[1]->setGeometry(10, 94, 190, 18);
    m_lstFiltyper = new QListWidget(this);
    m_lstFiltyper->setGeometry(10, 114, 190, 157);

    const char *captions[4] = {"&Tilføy", "&Fjern", "&Ok", "&Avbryt"};
    const int tops[4] = {61, 114, 207, 242};
    for (int i = 0; i < 4; ++i) {
        m_cmdKnapp[i] = new qvCommand(this);
        m_cmdKnapp[i]->setObjectName(QStringLiteral("cmdKnapp%1").arg(i));
        m_cmdKnapp[i]->setStyle(5);
        m_cmdKnapp[i]->setCaption(QString::fromUtf8(captions[i]));
        m_cmdKnapp[i]->setGeometry(212, tops[i], 97, 28);
        connect(m_cmdKnapp[i], &qvCommand::Click, this, [this, i] { cmdKnapp_Click(i); });
    }
    m_cmdKnapp[0]->setEnabled(false);
    connect(m_txtFiltype, &QLineEdit::textChanged, this, &frmUtelat::txtFiltype_Change);
    m_txtFiltype->installEventFilter(this);

    QStringList stored;
    m_exclusions.General_LesUtelat(true, &stored);
    m_lstFiltyper->addItems(stored);
    m_background->Refresh();
}

QStringList frmUtelat::entries() const
{
    QStringList out;
    for (int i = 0; i < m_lstFiltyper->count(); ++i)
        out << m_lstFiltyper->item(i)->text();
    return out;
}

// An access key whose button is disabled reaches the text box; Alt+letter is never
// meant as text.
bool frmUtelat::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtFiltype && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        if (mods == Qt::AltModifier && !key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmUtelat::txtFiltype_Change()
{
    m_cmdKnapp[0]->setEnabled(!m_txtFiltype->text().trimmed().isEmpty());
}

void frmUtelat::cmdKnapp_Click(int index)
{
    switch (index) {
    case 0: {
        const QString entry = m_txtFiltype->text().trimmed().toLower();
        if (entry.isEmpty() || entries().contains(entry, Qt::CaseInsensitive))
            return;
        // The list's file has no escape for a quote: such an entry would read back as another.
        if (entry.contains(u'"') || !fieldText(entry)) {
            msgBox(QStringLiteral("Filtypen kan ikke inneholde anførselstegn (\")."), Buttons::OK,
                   Icon::Exclamation);
            m_txtFiltype->setFocus();
            return;
        }
        m_lstFiltyper->insertItem(0, entry);
        m_txtFiltype->clear();
        m_txtFiltype->setFocus();
        return;
    }
    case 1: {
        const int row = m_lstFiltyper->currentRow();
        if (row < 0 || !m_lstFiltyper->currentItem()->isSelected())
            return;
        delete m_lstFiltyper->takeItem(row);
        if (row < m_lstFiltyper->count())
            m_lstFiltyper->setCurrentRow(row);
        else
            m_lstFiltyper->setCurrentRow(-1);
        return;
    }
    case 2:
        m_exclusions.General_LagreUtelat(entries());
        accept();
        return;
    default:
        reject();
    }
}

} // namespace qv
