#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;

namespace qv
{
class qvCommand;
class qvShadeForm;
class Exclusions;

// The exclusion editor: the stored list of excluded extensions, add and remove,
// written back on OK.
class frmUtelat : public QDialog
{
    Q_OBJECT
public:
    frmUtelat(Exclusions &exclusions, QWidget *owner = nullptr);

    QLineEdit *txtFiltype() const { return m_txtFiltype; }
    QListWidget *lstFiltyper() const { return m_lstFiltyper; }
    qvCommand *cmdKnapp(int index) const { return m_cmdKnapp[index]; }
    QStringList entries() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void txtFiltype_Change();
    void cmdKnapp_Click(int index);

    Exclusions &m_exclusions;
    qvShadeForm *m_background = nullptr;
    QLabel *m_lblTopp[2] = {};
    QLineEdit *m_txtFiltype = nullptr;
    QListWidget *m_lstFiltyper = nullptr;
    qvCommand *m_cmdKnapp[4] = {};
};

} // namespace qv
