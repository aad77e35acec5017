#pragma once
#include "engine/BackupMal.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace qv
{
class qvCheckBox;
class qvCommand;
class qvProgress;
class qvShadeBox;
class qvShadeForm;
class qvFileList;
class qvTree;
class Restore;

// The restore window: a template, a point in time its backup holds, the files to
// bring back and where they go. The backup's folders are a tree; the list shows every
// file below the folder chosen there, and the selected files are the ones that come back.
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
    qvTree *tvwMapper() const { return m_tvwMapper; }
    qvFileList *lvwFiler() const { return m_lvwFiler; }
    QLabel *lblValgt() const { return m_lblValgt; }
    qvCheckBox *optDerDeVar() const { return m_optDerDeVar; }
    qvCheckBox *optAnnenMappe() const { return m_optAnnenMappe; }
    QLineEdit *txtMappe() const { return m_txtMappe; }
    qvCommand *qvbVelg() const { return m_qvbVelg; }
    qvCommand *qvbGjenopprett() const { return m_qvbGjenopprett; }
    qvCommand *qvbLukk() const { return m_qvbLukk; }
    qvShadeBox *shbStatus() const { return m_shbStatus; }
    // The list row (from 1) of a file by its path below the source ("sub/navn"); 0 when
    // the list does not show it.
    int fileRow(const QString &rel) const;

protected:
    void reject() override;

private:
    void cboMal_Click();
    void cboTidspunkt_Click();
    void qvbVelg_Click();
    void qvbGjenopprett_Click();
    void fillTree();
    void showFolder(const QString &folder);
    void showChosen();
    std::vector<std::size_t> chosenFiles() const;
    void setBusy(bool busy);

    std::vector<BackupMal> m_templates;
    std::unique_ptr<Restore> m_restore;
    class Rows;
    std::unique_ptr<Rows> m_rows;
    std::vector<std::size_t> m_byName; // the restore's files in name order
    FolderChooser m_chooseFolder;
    bool m_running = false, m_stop = false;

    qvShadeForm *m_background = nullptr;
    QComboBox *m_cboMal = nullptr, *m_cboTidspunkt = nullptr;
    qvTree *m_tvwMapper = nullptr;
    qvFileList *m_lvwFiler = nullptr;
    QLabel *m_lblValgt = nullptr;
    qvCheckBox *m_optDerDeVar = nullptr, *m_optAnnenMappe = nullptr;
    QLineEdit *m_txtMappe = nullptr;
    qvCommand *m_qvbVelg = nullptr, *m_qvbGjenopprett = nullptr, *m_qvbLukk = nullptr;
    qvProgress *m_pgr = nullptr;
    qvShadeBox *m_shbStatus = nullptr;
};

} // namespace qv
