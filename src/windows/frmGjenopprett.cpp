#include "windows/frmGjenopprett.h"

#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "engine/Restore.h"
#include "platform/base/Locale.h"
#include "platform/base/UserDialog.h"
#include "windows/frmKatalog.h"

#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace qv
{

namespace
{
constexpr int kIndexRole = Qt::UserRole + 1; // a file's index into the restore's files

template <typename T> T *placed(T *w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}

QString sizeText(quint64 bytes)
{
    return formatGrouped(double((bytes + 1023) / 1024), 0) + " KB";
}
} // namespace

frmGjenopprett::frmGjenopprett(std::vector<BackupMal> templates, const QString &current, QWidget *owner)
    : QDialog(owner), m_templates(std::move(templates))
{
    setWindowTitle(QStringLiteral("Hent filer tilbake"));
    setFixedSize(560, 466);
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
    placed(new QLabel(QStringLiteral("Kryss av filene som skal hentes tilbake:"), this), 10, 72, 400, 18);
    m_tvwFiler = placed(new QTreeWidget(this), 10, 92, 540, 236);
    m_tvwFiler->setHeaderLabels(
        {QStringLiteral("Navn"), QStringLiteral("Størrelse"), QStringLiteral("Endret")});
    m_tvwFiler->header()->resizeSection(0, 330);
    m_tvwFiler->header()->resizeSection(1, 80);

    placed(new QLabel(QStringLiteral("Hent tilbake til:"), this), 10, 340, 96, 18);
    m_optDerDeVar = placed(new qvCheckBox(this), 110, 338, 330, 20);
    m_optDerDeVar->setCaption(QStringLiteral("&Der filene var (det som ligger der, beholdes)"));
    m_optAnnenMappe = placed(new qvCheckBox(this), 110, 362, 120, 20);
    m_optAnnenMappe->setCaption(QStringLiteral("&Annen mappe:"));
    for (qvCheckBox *o : {m_optDerDeVar, m_optAnnenMappe}) {
        o->setStyle(2);
        o->setMode(2);
        o->setGruppeID(QStringLiteral("Hent tilbake til"));
    }
    m_optDerDeVar->setValue(true);
    m_txtMappe = placed(new QLineEdit(this), 232, 360, 228, 24);
    m_txtMappe->setReadOnly(true);
    m_qvbVelg = placed(new qvCommand(this), 468, 358, 82, 28);
    m_qvbVelg->setCaption(QStringLiteral("&Velg..."));
    m_qvbGjenopprett = placed(new qvCommand(this), 340, 396, 100, 28);
    m_qvbGjenopprett->setCaption(QStringLiteral("&Gjenopprett"));
    m_qvbLukk = placed(new qvCommand(this), 450, 396, 100, 28);
    m_qvbLukk->setCaption(QStringLiteral("&Lukk"));
    for (qvCommand *c : {m_qvbVelg, m_qvbGjenopprett, m_qvbLukk})
        c->setStyle(5);
    m_pgr = placed(new qvProgress(this), 10, 428, 540, 12);
    m_pgr->setVisible(false);
    m_shbStatus = placed(new qvShadeBox(this), 0, 444, 560, 22);
    m_shbStatus->setStatusBar(true);

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

frmGjenopprett::~frmGjenopprett() = default;

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
    m_tvwFiler->clear();
    m_fileItems.clear();
    if (!m_restore || m_cboTidspunkt->count() == 0) {
        m_shbStatus->setText(QStringLiteral("Malen har ingen sikkerhetskopi ennå."));
        m_qvbGjenopprett->setEnabled(false);
        return;
    }
    if (!m_restore->failure().isEmpty()) {
        m_shbStatus->setText(m_restore->failure());
        m_qvbGjenopprett->setEnabled(false);
        return;
    }
    QHash<QString, QTreeWidgetItem *> folders;
    const auto folderItem = [&](const QString &rel, auto &&self) -> QTreeWidgetItem * {
        if (rel.isEmpty())
            return m_tvwFiler->invisibleRootItem();
        if (QTreeWidgetItem *known = folders.value(rel))
            return known;
        const qsizetype slash = rel.lastIndexOf(u'/');
        auto *item = new QTreeWidgetItem(self(slash < 0 ? QString() : rel.left(slash), self));
        item->setText(0, rel.mid(slash + 1));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        item->setCheckState(0, Qt::Checked);
        folders.insert(rel, item);
        return item;
    };
    const auto &files = m_restore->files();
    m_fileItems.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const RestoreFile &f = files[i];
        const qsizetype slash = f.rel.lastIndexOf(u'/');
        auto *item = new QTreeWidgetItem(folderItem(slash < 0 ? QString() : f.rel.left(slash), folderItem));
        item->setText(0, f.rel.mid(slash + 1));
        item->setText(1, sizeText(f.size));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, formatFileTimeUtcNs(f.mtimeNs));
        item->setData(0, kIndexRole, qulonglong(i));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        m_fileItems.push_back(item);
    }
    m_tvwFiler->expandToDepth(0);
    m_qvbGjenopprett->setEnabled(true);
    m_shbStatus->setText(QString::number(files.size()) + " fil(er) i sikkerhetskopien fra " +
                         (m_restore->sources().size() == 1
                              ? m_restore->sources().front()
                              : QString::number(m_restore->sources().size()) + " steder") +
                         ".");
}

QTreeWidgetItem *frmGjenopprett::fileItem(const QString &rel) const
{
    if (!m_restore)
        return nullptr;
    const auto &files = m_restore->files();
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i].rel == rel)
            return m_fileItems.at(i);
    return nullptr;
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
    std::vector<std::size_t> chosen;
    for (QTreeWidgetItem *item : m_fileItems)
        if (item->checkState(0) == Qt::Checked)
            chosen.push_back(item->data(0, kIndexRole).toULongLong());
    if (chosen.empty()) {
        msgBox(QStringLiteral("Kryss av filene som skal hentes tilbake."), Buttons::OK, Icon::Exclamation);
        return;
    }
    const bool elsewhere = m_optAnnenMappe->Value();
    if (elsewhere && m_txtMappe->text().isEmpty()) {
        msgBox(QStringLiteral("Velg mappen filene skal hentes tilbake til."), Buttons::OK, Icon::Exclamation);
        return;
    }
    m_running = true;
    m_stop = false;
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_cboMal, m_cboTidspunkt, m_tvwFiler, m_qvbGjenopprett})
        w->setEnabled(false);
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
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_cboMal, m_cboTidspunkt, m_tvwFiler, m_qvbGjenopprett})
        w->setEnabled(true);
    m_running = false;
    m_shbStatus->setText(o.message().section(u'\n', 0, 0));
    msgBox(o.message(20), Buttons::OK, o.exitStatus() == 0 ? Icon::Information : Icon::Exclamation,
           QStringLiteral("Hent filer tilbake"));
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
