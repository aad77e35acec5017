#pragma once
#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "engine/BackupEngine.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace qv
{
class qvFileList;
class FileListBinding;
class QtUserDialog;

// The main window: binds the engine's run state to the drawn controls and turns
// the user's clicks into the engine's user actions.
class frmBackup : public QMainWindow
{
    Q_OBJECT
public:
    using FolderChooser = UserActions::FolderChooser;

    explicit frmBackup(QWidget *parent = nullptr);
    ~frmBackup() override;

    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    BackupEngine &engine() { return m_engine; }
    QtUserDialog &userDialog() { return *m_dialog; }

    // Pushes the run state to the controls (the engine changed it).
    void showState();

    // Where the inside of the window goes: the stored place when a screen shows the
    // whole window there, else the middle of the primary screen. An invalid size: the
    // stored one.
    static QRect storedPlace(QSize size = QSize());

    // The controls, by their names (tests and the render tool reach them here).
    QComboBox *cboMal() const { return m_cboMal; }
    QLineEdit *txtFra() const { return m_txtFra; }
    QLineEdit *txtTil() const { return m_txtTil; }
    QLineEdit *txtSistKjort() const { return m_txtSistKjort; }
    qvTButton *qvbStart() const { return m_qvbStart; }
    qvTButton *qvbNy() const { return m_qvbNy; }
    qvTButton *qvbLagre() const { return m_qvbLagre; }
    qvTButton *qvbSlett() const { return m_qvbSlett; }
    qvTButton *qvbUtelat() const { return m_qvbUtelat; }
    qvTButton *qvbAvslutt() const { return m_qvbAvslutt; }
    qvCommand *qvbFra() const { return m_qvbFra; }
    qvCommand *qvbTil() const { return m_qvbTil; }
    qvCheckBox *chkUnderkat() const { return m_chkUnderkat; }
    qvCheckBox *optAlle() const { return m_optAlle; }
    qvCheckBox *optEndrede() const { return m_optEndrede; }
    qvCheckBox *chkZip() const { return m_chkZip; }
    qvCheckBox *chkAlleMaler() const { return m_chkAlleMaler; }
    qvCheckBox *chkFullSti() const { return m_chkFullSti; }
    qvFileList *lvw1() const { return m_lvw1; }
    qvShadeBox *shbStatus() const { return m_shbStatus; }
    qvProgress *pgr1() const { return m_pgr1; }
    QLabel *lblTaMed() const { return m_lblTaMed; }
    QAction *action(const QString &name) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Initialize();
    void Form_Load();
    void buildMenus();
    void chooseFolder(UserActions::FolderField field);
    void runBackup();
    void showExclusionEditor();
    // Runs one of the engine's user actions, then shows the state it left.
    void command(const std::function<void()> &action);

    BackupEngine m_engine;
    std::unique_ptr<QtUserDialog> m_dialog;
    std::unique_ptr<FileListBinding> m_fileList;
    FolderChooser m_chooseFolder;
    QString BildeMappe;
    bool m_showing = false; // pushing state: control signals are echoes, not clicks

    QWidget *m_client = nullptr;
    qvShadeForm *m_background = nullptr;
    qvShadeBox *m_shbTopp = nullptr, *m_shbStatus = nullptr;
    QComboBox *m_cboMal = nullptr;
    QLabel *m_lblMal = nullptr, *m_lblSistKjort1 = nullptr, *m_lblTaMed = nullptr, *m_lblOverskrift = nullptr;
    QLineEdit *m_txtSistKjort = nullptr, *m_txtFra = nullptr, *m_txtTil = nullptr;
    qvTButton *m_qvbStart = nullptr, *m_qvbNy = nullptr, *m_qvbLagre = nullptr, *m_qvbSlett = nullptr,
              *m_qvbUtelat = nullptr, *m_qvbAvslutt = nullptr;
    qvCommand *m_qvbFra = nullptr, *m_qvbTil = nullptr;
    qvCheckBox *m_chkAlleMaler = nullptr, *m_chkUnderkat = nullptr, *m_optAlle = nullptr,
               *m_optEndrede = nullptr, *m_chkZip = nullptr, *m_chkFullSti = nullptr;
    qvFileList *m_lvw1 = nullptr;
    qvProgress *m_pgr1 = nullptr;
    QMenu *m_mnuFil = nullptr, *m_mnuRediger = nullptr, *m_mnuOm = nullptr;
};

} // namespace qv
