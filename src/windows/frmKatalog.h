#pragma once
#include <QDialog>
#include <QStringList>
#include <vector>

#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"

class QMenu;

namespace qv
{
class qvTree;

// The folder chooser: a folder tree, a new-folder button and the favourite folders
// of the sibling file viewer. The chosen folder comes back through ValgtMappe.
class frmKatalog : public QDialog
{
    Q_OBJECT
public:
    // valgtMappe: the folder to open with ("" opens the program folder).
    explicit frmKatalog(const QString &valgtMappe, QWidget *owner = nullptr);
    ~frmKatalog() override;

    // After the window closed: the chosen folder (ends with "\"), "" when cancelled.
    const QString &ValgtMappe() const { return m_valgtMappe; }
    // OK chose another folder than the one the window opened with.
    bool folderChanged() const { return m_changed; }

    qvTree *qvTree1() const { return m_tree; }
    qvTButton *qvbKatalog(int index) const { return m_qvbKatalog[index]; }
    qvCommand *qvbOk() const { return m_qvbOk; }
    qvCommand *qvbAvbryt() const { return m_qvbAvbryt; }
    qvShadeBox *shbStatus() const { return m_shbStatus; }

    struct Favoritt {
        QString gruppe, mappe, sti; // group, the folder opened, the second path
    };
    // Reads the favourites file into the sorted store (lvwFav).
    void General_FavoritterLes();
    const std::vector<Favoritt> &lvwFav() const { return m_fav; }
    // Builds the favourites menu for a mouse button (1 left, 2 right) without showing it.
    QMenu *buildFavouritesMenu(int button);
    void General_FavoritterMeny(int button);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;
    void done(int result) override;

private:
    void Form_Load(const QString &valgtMappe);
    void showPath();
    void qvbKatalog_MouseUp(int index, int button);
    void qvbOk_Click();

    qvShadeForm *m_background = nullptr;
    qvShadeBox *m_picKatTre = nullptr, *m_shbStatus = nullptr;
    qvTButton *m_qvbKatalog[2] = {};
    qvTree *m_tree = nullptr;
    qvCommand *m_qvbOk = nullptr, *m_qvbAvbryt = nullptr;
    QMenu *m_mnuFav = nullptr;
    std::vector<Favoritt> m_fav;
    QString m_valgtMappe, StartMappe;
    bool m_changed = false;
    bool m_shown = false;
};

} // namespace qv
