#pragma once
#include "engine/BackupMal.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv
{
class qvCheckBox;
class qvCommand;
class qvProgress;
class qvShadeBox;
class qvShadeForm;
class Restore;

// The restore window: a template, a point in time its backup holds, the files to
// bring back (ticked in a tree of the backup) and where they go.
class frmGjenopprett : public QDialog
{
    Q_OBJECT
public:
    // title, start folder -> the chosen folder ("" when cancelled).
    using FolderChooser = std::function<QString(const QString &, const QString &)>;

    frmGjenopprett(std::vector<BackupMal> templates, const QString &current, QWidget *owner = nullptr);
    ~frmGjenopprett() override;

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    QComboBox *cboMal() const { return m_cboMal; }
    QComboBox *cboTidspunkt() const { return m_cboTidspunkt; }
    QTreeWidget *tvwFiler() const { return m_tvwFiler; }
    qvCheckBox *optDerDeVar() const { return m_optDerDeVar; }
    qvCheckBox *optAnnenMappe() const { return m_optAnnenMappe; }
    QLineEdit *txtMappe() const { return m_txtMappe; }
    qvCommand *qvbVelg() const { return m_qvbVelg; }
    qvCommand *qvbGjenopprett() const { return m_qvbGjenopprett; }
    qvCommand *qvbLukk() const { return m_qvbLukk; }
    qvShadeBox *shbStatus() const { return m_shbStatus; }
    // The tree item of a file by its path below the source ("sub/navn").
    QTreeWidgetItem *fileItem(const QString &rel) const;

protected:
    void reject() override;

private:
    void cboMal_Click();
    void cboTidspunkt_Click();
    void qvbVelg_Click();
    void qvbGjenopprett_Click();
    void fillTree();

    std::vector<BackupMal> m_templates;
    std::unique_ptr<Restore> m_restore;
    std::vector<QTreeWidgetItem *> m_fileItems; // by index into the restore's files
    FolderChooser m_chooseFolder;
    bool m_running = false, m_stop = false;

    qvShadeForm *m_background = nullptr;
    QComboBox *m_cboMal = nullptr, *m_cboTidspunkt = nullptr;
    QTreeWidget *m_tvwFiler = nullptr;
    qvCheckBox *m_optDerDeVar = nullptr, *m_optAnnenMappe = nullptr;
    QLineEdit *m_txtMappe = nullptr;
    qvCommand *m_qvbVelg = nullptr, *m_qvbGjenopprett = nullptr, *m_qvbLukk = nullptr;
    qvProgress *m_pgr = nullptr;
    qvShadeBox *m_shbStatus = nullptr;
};

} // namespace qv
