#include "windows/frmGjenopprett.h"

#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/filelist/qvFileList.h"
#include "controls/filelist/qvFileListFormat.h"
#include "controls/filelist/qvFileListModel.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "controls/tree/qvTree.h"
#include "engine/FileScan.h"
#include "engine/Restore.h"
#include "platform/base/Collation.h"
#include "platform/base/Locale.h"
#include "platform/base/UserDialog.h"
#include "windows/frmKatalog.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace qv
{

namespace
{
template <typename T> T *placed(T *w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}

QString sizeText(quint64 bytes)
{
    const quint64 kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0); // rounded up, whole
    return formatGrouped(double(kb), 0) + " KB";
}
} // namespace

// The files below the folder chosen in the tree, as the list shows them: named by
// their path below that folder, described by the backup, never looked for on disk.
class frmGjenopprett::Rows : public qvFileListSource
{
public:
    void show(const std::vector<RestoreFile> *files, std::vector<std::size_t> shown, qsizetype prefix)
    {
        m_files = files;
        m_shown = std::move(shown);
        m_prefix = prefix;
    }
    std::size_t file(int i) const { return m_shown.at(std::size_t(i)); }
    int count() const override { return int(m_shown.size()); }
    QString path(int i) const override
    {
        return (*m_files)[file(i)].rel.text().mid(m_prefix).replace(u'/', u'\\');
    }
    QString text(int i, int column) const override
    {
        const RestoreFile &f = (*m_files)[file(i)];
        switch (column) {
        case 1:
            return qvFileListFormat::extensionOf(f.rel.text().mid(f.rel.text().lastIndexOf(u'/') + 1));
        case 2:
            return FileScan::sizeText(f.size, m_separators);
        case 3:
            return formatFileTimeUtcNs(f.mtimeNs);
        default:
            return QStringLiteral(" ");
        }
    }
    qsizetype textLength(int i, int column) const override
    {
        return column == 0 ? (*m_files)[file(i)].rel.text().size() - m_prefix : -1;
    }
    bool onDisk() const override { return false; }

private:
    const std::vector<RestoreFile> *m_files = nullptr;
    std::vector<std::size_t> m_shown;
    qsizetype m_prefix = 0;
    FileScan::NumberSeparators m_separators = FileScan::NumberSeparators::current();
};

frmGjenopprett::frmGjenopprett(std::vector<BackupMal> templates, const QString &current, QWidget *owner)
    : QDialog(owner), m_templates(std::move(templates))
{
    setWindowTitle(QStringLiteral("Hent filer tilbake"));
    setFixedSize(760, 488);
    setModal(true);
    m_chooseFolder = [this](const QString &title, const QString &start) {
        frmKatalog chooser(start, this);
        chooser.setWindowTitle(title);
        chooser.exec();
        return chooser.ValgtMappe();
    };

    m_background = new qvShadeForm(this);
    m_background->setColorA(qvKontrollerFelles::RGB(156, 219, 248));
    m_background->setColorB(qvKontrollerFelles::RGB(118, 179, 240));

    auto *lblMal = placed(new QLabel(QStringLiteral("&Mal:"), this), 10, 12, 86, 18);
    m_cboMal = placed(new QComboBox(this), 100, 8, 300, 24);
    lblMal->setBuddy(m_cboMal);
    auto *lblTidspunkt = placed(new QLabel(QStringLiteral("&Tidspunkt:"), this), 10, 44, 86, 18);
    m_cboTidspunkt = placed(new QComboBox(this), 100, 40, 300, 24);
    lblTidspunkt->setBuddy(m_cboTidspunkt);
    m_cboTidspunkt->setToolTip(QStringLiteral("Kjøringene sikkerhetskopien har filer fra."));
    auto *lblFiler =
        placed(new QLabel(QStringLiteral("Velg en mappe, og velg &filene som skal hentes tilbake:"), this),
               10, 72, 500, 18);
    m_tvwMapper = placed(new qvTree(this), 10, 92, 200, 240);
    m_tvwMapper->setShowTreeLines(true);
    m_tvwMapper->setOLEDropMode(0);
    m_lvwFiler = placed(new qvFileList(this), 216, 92, 534, 240);
    m_lvwFiler->setFillMode(1);
    m_lvwFiler->setHideColumnHeaders(false);
    m_lvwFiler->setFullRowSelect(true);
    m_lvwFiler->setShowFullPath(true); // a row is named by its path below the chosen folder
    m_lvwFiler->setAutoUpdate(false);
    m_lvwFiler->setOLEDropMode(0);
    // Size and time whole at the largest the backup could show; the name takes the rest.
    const QFontMetrics metrics = m_lvwFiler->reportView()->fontMetrics();
    const int sizeWidth = metrics.horizontalAdvance(FileScan::sizeText(9'999'999'999ull)) + 16;
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("2026.12.31  23:59")) + 16;
    m_lvwFiler->setColumnWidth2(44);
    m_lvwFiler->setColumnWidth3(sizeWidth);
    m_lvwFiler->setColumnWidth4(timeWidth);
    m_lvwFiler->setColumnWidth5(0); // a backup holds no attribute letters
    m_lvwFiler->setColumnWidth1(m_lvwFiler->width() - 4 - 44 - sizeWidth - timeWidth -
                                style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    lblFiler->setBuddy(m_lvwFiler->reportView());
    m_lblValgt = placed(new QLabel(this), 216, 336, 534, 18);

    placed(new QLabel(QStringLiteral("Hent tilbake til:"), this), 10, 362, 96, 18);
    m_optDerDeVar = placed(new qvCheckBox(this), 110, 360, 530, 20);
    m_optDerDeVar->setCaption(QStringLiteral("&Der filene var (det som ligger der, beholdes)"));
    m_optAnnenMappe = placed(new qvCheckBox(this), 110, 384, 120, 20);
    m_optAnnenMappe->setCaption(QStringLiteral("&Annen mappe:"));
    for (qvCheckBox *o : {m_optDerDeVar, m_optAnnenMappe}) {
        o->setStyle(2);
        o->setMode(2);
        o->setGruppeID(QStringLiteral("Hent tilbake til"));
    }
    m_optDerDeVar->setValue(true);
    m_txtMappe = placed(new QLineEdit(this), 232, 382, 426, 24);
    m_txtMappe->setReadOnly(true);
    m_qvbVelg = placed(new qvCommand(this), 668, 380, 82, 28);
    m_qvbVelg->setCaption(QStringLiteral("&Velg..."));
    m_qvbGjenopprett = placed(new qvCommand(this), 540, 418, 100, 28);
    m_qvbGjenopprett->setCaption(QStringLiteral("&Gjenopprett"));
    m_qvbLukk = placed(new qvCommand(this), 650, 418, 100, 28);
    m_qvbLukk->setCaption(QStringLiteral("&Lukk"));
    for (qvCommand *c : {m_qvbVelg, m_qvbGjenopprett, m_qvbLukk})
        c->setStyle(5);
    m_pgr = placed(new qvProgress(this), 10, 450, 740, 12);
    m_pgr->setVisible(false);
    m_shbStatus = placed(new qvShadeBox(this), 0, 466, 760, 22);
    m_shbStatus->setStatusBar(true);

    m_rows = std::make_unique<Rows>();
    connect(m_tvwMapper, &qvTree::PathChange, this,
            [this](QString &path, QString &, int &) { showFolder(path); });
    connect(m_lvwFiler->reportView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showChosen(); });
    for (const BackupMal &m : m_templates)
        m_cboMal->addItem(m.Malnavn);
    connect(m_cboMal, &QComboBox::currentIndexChanged, this, [this] { cboMal_Click(); });
    connect(m_cboTidspunkt, &QComboBox::currentIndexChanged, this, [this] { cboTidspunkt_Click(); });
    connect(m_qvbVelg, &qvCommand::Click, this, [this] { qvbVelg_Click(); });
    connect(m_qvbGjenopprett, &qvCommand::Click, this, [this] { qvbGjenopprett_Click(); });
    connect(m_qvbLukk, &qvCommand::Click, this, [this] { reject(); });
    const int at = m_cboMal->findText(current);
    if (at > 0)
        m_cboMal->setCurrentIndex(at); // runs the click
    else
        cboMal_Click();
    m_background->Refresh();
}

frmGjenopprett::~frmGjenopprett()
{
    m_lvwFiler->Clear(); // the list lets go of the rows before they go
}

void frmGjenopprett::cboMal_Click()
{
    const int i = m_cboMal->currentIndex();
    m_restore.reset(i >= 0 ? new Restore(m_templates.at(size_t(i))) : nullptr);
    const QSignalBlocker quiet(m_cboTidspunkt);
    m_cboTidspunkt->clear();
    if (m_restore)
        for (const RestorePoint &p : m_restore->points())
            m_cboTidspunkt->addItem(p.label, p.at);
    m_optDerDeVar->setCaption(m_restore ? "&Der filene var: " + m_restore->backupTemplate().Fra
                                        : QStringLiteral("&Der filene var"));
    cboTidspunkt_Click();
}

void frmGjenopprett::cboTidspunkt_Click()
{
    if (m_restore && m_cboTidspunkt->count() > 0)
        m_restore->load(m_cboTidspunkt->currentData().toDateTime());
    fillTree();
}

void frmGjenopprett::fillTree()
{
    m_lvwFiler->Clear();
    m_rows->show(nullptr, {}, 0);
    m_byName.clear();
    const bool usable = m_restore && m_cboTidspunkt->count() > 0 && m_restore->failure().isEmpty();
    if (!usable) {
        m_tvwMapper->ShowFolders(
            m_restore ? qvTree::StripTrailingBackslash(m_restore->backupTemplate().Fra) : QString(), {});
        m_lblValgt->clear();
        m_shbStatus->setText(!m_restore || m_cboTidspunkt->count() == 0
                                 ? QStringLiteral("Malen har ingen sikkerhetskopi ennå.")
                                 : m_restore->failure());
        m_qvbGjenopprett->setEnabled(false);
        return;
    }
    const auto &files = m_restore->files();
    QSet<QString> folders;
    m_byName.resize(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        m_byName[i] = i;
        const qsizetype slash = files[i].rel.text().lastIndexOf(u'/');
        if (slash > 0)
            folders.insert(files[i].rel.text().left(slash));
    }
    // Folders before the files beside them, each group in name order, as in the tree.
    std::sort(m_byName.begin(), m_byName.end(), [&](std::size_t a, std::size_t b) {
        const QString &x = files[a].rel.text(), &y = files[b].rel.text();
        const qsizetype common = std::min(x.size(), y.size());
        qsizetype from = 0;
        for (qsizetype k = 0; k < common && x[k] == y[k]; ++k)
            if (x[k] == u'/')
                from = k + 1;
        const qsizetype xEnd = x.indexOf(u'/', from), yEnd = y.indexOf(u'/', from);
        if ((xEnd < 0) != (yEnd < 0))
            return xEnd >= 0;
        const QString xName = x.mid(from, xEnd < 0 ? -1 : xEnd - from);
        const QString yName = y.mid(from, yEnd < 0 ? -1 : yEnd - from);
        const int order = compareNames(xName, yName);
        // Names the language holds equal ("Brev", "brev") still keep one order.
        return order != 0 ? order < 0 : xName != yName ? xName < yName : x < y;
    });
    m_tvwMapper->ShowFolders(qvTree::StripTrailingBackslash(m_restore->backupTemplate().Fra),
                             folders.values());
    showFolder(QString());
    m_qvbGjenopprett->setEnabled(true);
    m_shbStatus->setText(QString::number(files.size()) + " fil(er) i sikkerhetskopien fra " +
                         (m_restore->sources().size() == 1
                              ? m_restore->sources().front()
                              : QString::number(m_restore->sources().size()) + " steder") +
                         ".");
}

// Every file below the folder, all selected: choosing a folder chooses all it holds.
void frmGjenopprett::showFolder(const QString &folder)
{
    if (!m_restore)
        return;
    const auto &files = m_restore->files();
    const QString prefix = folder.isEmpty() ? QString() : folder + u'/';
    std::vector<std::size_t> shown;
    for (std::size_t i : m_byName)
        if (files[i].rel.text().startsWith(prefix))
            shown.push_back(i);
    m_lvwFiler->Clear();
    m_rows->show(&files, std::move(shown), prefix.size());
    m_lvwFiler->ShowRows(m_rows.get());
    m_lvwFiler->Refresh();
    m_lvwFiler->ListSelectAll();
    showChosen();
}

std::vector<std::size_t> frmGjenopprett::chosenFiles() const
{
    std::vector<std::size_t> chosen;
    for (const QModelIndex &i : m_lvwFiler->reportView()->selectionModel()->selectedRows()) {
        const int row = m_lvwFiler->SourceRow(i.row() + 1);
        if (row >= 0 && row < m_rows->count())
            chosen.push_back(m_rows->file(row));
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

void frmGjenopprett::showChosen()
{
    if (!m_restore || m_rows->count() == 0) {
        m_lblValgt->clear();
        return;
    }
    quint64 bytes = 0;
    const std::vector<std::size_t> chosen = chosenFiles();
    for (std::size_t i : chosen)
        bytes += m_restore->files()[i].size;
    m_lblValgt->setText(QString::number(chosen.size()) + " av " + QString::number(m_rows->count()) +
                        " fil(er) valgt, " + sizeText(bytes) + ".");
}

int frmGjenopprett::fileRow(const QString &rel) const
{
    if (!m_restore)
        return 0;
    for (int r = 1; r <= m_lvwFiler->GetCount(); ++r) {
        const int row = m_lvwFiler->SourceRow(r);
        if (row >= 0 && m_restore->files()[m_rows->file(row)].rel.text() == rel)
            return r;
    }
    return 0;
}

void frmGjenopprett::qvbVelg_Click()
{
    const QString folder =
        m_chooseFolder ? m_chooseFolder(QStringLiteral("Hent filene tilbake til mappe"), m_txtMappe->text())
                       : QString();
    if (folder.isEmpty())
        return;
    m_txtMappe->setText(folder);
    m_optAnnenMappe->setValue(true);
}

void frmGjenopprett::qvbGjenopprett_Click()
{
    if (!m_restore || m_running)
        return;
    const std::vector<std::size_t> chosen = chosenFiles();
    if (chosen.empty()) {
        msgBox(QStringLiteral("Velg filene som skal hentes tilbake."), Buttons::OK, Icon::Exclamation);
        return;
    }
    const bool elsewhere = m_optAnnenMappe->Value();
    if (elsewhere && m_txtMappe->text().isEmpty()) {
        msgBox(QStringLiteral("Velg mappen filene skal hentes tilbake til."), Buttons::OK, Icon::Exclamation);
        return;
    }
    m_running = true;
    m_stop = false;
    setBusy(true);
    m_pgr->setMaxValue(int(chosen.size()));
    m_pgr->setValue(0);
    m_pgr->setVisible(true);
    dialog().setBusyPointer(true);
    const RestoreOutcome o = m_restore->run(chosen, elsewhere ? m_txtMappe->text() : QString(), {},
                                            [this](int done, int, const QString &rel) {
                                                m_pgr->setValue(done);
                                                m_shbStatus->setText("Henter tilbake (Esc avbryter): " + rel);
                                                dialog().processEvents();
                                                return !m_stop;
                                            });
    dialog().setBusyPointer(false);
    m_pgr->setVisible(false);
    setBusy(false);
    m_running = false;
    m_shbStatus->setText(o.message().section(u'\n', 0, 0));
    msgBox(o.message(20), Buttons::OK, o.exitStatus() == 0 ? Icon::Information : Icon::Exclamation,
           QStringLiteral("Hent filer tilbake"));
}

void frmGjenopprett::setBusy(bool busy)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_cboMal, m_cboTidspunkt, m_tvwMapper, m_lvwFiler, m_qvbGjenopprett,
                                          m_qvbVelg, m_optDerDeVar, m_optAnnenMappe})
        w->setEnabled(!busy);
}

void frmGjenopprett::reject()
{
    // Esc while files come back stops after the file in hand; the window stays.
    if (m_running) {
        m_stop = true;
        return;
    }
    QDialog::reject();
}

} // namespace qv
