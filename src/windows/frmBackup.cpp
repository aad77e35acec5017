#include "windows/frmBackup.h"
#include "windows/WindowPathFields.h"

#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/filelist/qvFileList.h"
#include "controls/panels/qvProgress.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "engine/modBackup.h"
#include "platform/base/Settings.h"
#include "platform/paths/DriveTable.h"
#include "windows/FileListBinding.h"
#include "windows/QtUserDialog.h"
#include "windows/VersionsMenu.h"
#include "windows/frmGjenopprett.h"
#include "windows/frmKatalog.h"
#include "windows/frmUtelat.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QUrl>

namespace qv
{

namespace
{
constexpr int kTwipsPerPixel = 15;
const QColor kLineBlue(83, 136, 215);
const QString kMailAddress = QStringLiteral("support@qvbackup.no");
const QString kWebAddress = QStringLiteral("https://www.qvbackup.no");

// A double separator line across the window: blue over white.
class DoubleLine : public QWidget
{
public:
    explicit DoubleLine(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(kLineBlue);
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(Qt::white);
        p.drawLine(0, 1, width() - 1, 1);
    }
};

template <typename T> T *placed(T *w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}
} // namespace

frmBackup::frmBackup(QWidget *parent) : QMainWindow(parent), m_dialog(std::make_unique<QtUserDialog>())
{
    m_chooseFolder = [this](const QString &title, const QString &start, bool hideNewFolder) {
        frmKatalog chooser(start, this);
        chooser.setWindowTitle(title);
        chooser.qvbKatalog(1)->setVisible(!hideNewFolder);
        chooser.exec();
        return chooser.ValgtMappe();
    };
    setDialog(m_dialog.get());
    m_dialog->setBeforeProcessEvents([this] { showState(); });
    Form_Initialize();
    Form_Load();
}

frmBackup::~frmBackup()
{
    qApp->removeEventFilter(this);
    m_engine.state.setFileList(nullptr);
    setDialog(nullptr);
}

void frmBackup::Form_Initialize()
{
    setWindowTitle(QStringLiteral("QV Backup"));
    m_client = new QWidget(this);
    m_client->setFixedSize(520, 480);
    setCentralWidget(m_client);
    m_background = new qvShadeForm(m_client);

    m_shbTopp = placed(new qvShadeBox(m_client), 0, 0, 520, 58);
    m_shbTopp->setStyle(3);
    auto tool = [&](const QString &caption, const QString &tip, int x, int width) {
        auto *b = placed(new qvTButton(m_shbTopp), x, 3, width, 52);
        b->setStyle(9);
        b->setIconAlign(1); // picture above the caption, as on a tool bar
        b->setCaption(caption);
        b->setQvToolTip(tip);
        return b;
    };
    m_qvbStart = tool(QStringLiteral("Start"), QStringLiteral("Start backup."), 4, 116);
    m_qvbNy = tool(QStringLiteral("Ny mal"), QStringLiteral("Klargjør for ny mal."), 128, 74);
    m_qvbLagre = tool(QStringLiteral("Lagre mal"), QStringLiteral("Lagre valgene som ny mal."), 204, 74);
    m_qvbSlett =
        tool(QStringLiteral("Slett mal"), QStringLiteral("Slett den valgte malen fra listen."), 280, 74);
    m_qvbUtelat = tool(QStringLiteral("Utelat"),
                       QStringLiteral("Legg inn filtyper som du ikke vil ta backup av."), 362, 66);
    m_qvbAvslutt = tool(QStringLiteral("Avslutt"), QString(), 435, 80);
    m_qvbLagre->setEnabled(false);
    m_qvbSlett->setEnabled(false);

    m_lblMal = placed(new QLabel(QStringLiteral("&Velg backupmal:"), m_client), 10, 66, 100, 20);
    m_cboMal = placed(new QComboBox(m_client), 110, 64, 166, 24);
    m_cboMal->setToolTip(QStringLiteral("Velg mal som skal kjøres. "));
    m_lblMal->setBuddy(m_cboMal);
    m_lblSistKjort1 = placed(new QLabel(QStringLiteral("Sist kjørt:"), m_client), 284, 66, 60, 20);
    m_txtSistKjort = placed(new QLineEdit(m_client), 342, 64, 172, 24);
    m_txtSistKjort->setReadOnly(true);

    placed(new DoubleLine(m_client), 0, 98, 520, 2);
    m_lblOverskrift = placed(new QLabel(QStringLiteral("Sett innstillinger for ønsket backup:"), m_client),
                             10, 103, 300, 16);

    auto folderButton = [&](const QString &caption, const QString &tip, const QString &header, int y) {
        auto *b = placed(new qvCommand(m_client), 10, y, 100, 28);
        b->setStyle(5);
        b->setCaption(caption);
        b->setQvToolTip(tip);
        b->setQvToolTipHeader(header);
        b->setIconDefault(style()->standardPixmap(QStyle::SP_DirOpenIcon).scaled(16, 16));
        return b;
    };
    m_qvbFra =
        folderButton(QStringLiteral("F&ra mappe"), QStringLiteral("Velg mappen det skal tas backup av."),
                     QStringLiteral("Backup av mappe"), 123);
    m_qvbTil = folderButton(QStringLiteral("&Til mappe"),
                            QStringLiteral("Velg mappe hvor backup skal kopieres til."),
                            QStringLiteral("Plasser backup i mappe"), 156);
    m_txtFra = placed(new QLineEdit(m_client), 116, 125, 396, 24);
    m_txtTil = placed(new QLineEdit(m_client), 116, 158, 396, 24);
    for (QLineEdit *t : {m_txtFra, m_txtTil})
        t->setReadOnly(true);

    auto box = [&](const QString &caption, const QString &tip, const QString &header, int x, int y, int w) {
        auto *b = placed(new qvCheckBox(m_client), x, y, w, 20);
        b->setCaption(caption);
        b->setQvToolTip(tip);
        b->setQvToolTipHeader(header);
        return b;
    };
    m_chkUnderkat = box(QStringLiteral("In&kl. undermapper."),
                        QStringLiteral("Sett kryss for å ta med alle undermapper."),
                        QStringLiteral("Søk i undermapper"), 10, 190, 170);
    m_chkAlleMaler = box(QStringLiteral("Alle maler"),
                         QStringLiteral("Sett kryss for å ta backup av alle maler i en fortøpende prosess."),
                         QString(), 10, 210, 170);
    m_lblTaMed = placed(new QLabel(QStringLiteral("Ta backup av:"), m_client), 196, 191, 84, 18);
    m_optAlle = box(QStringLiteral("Alle &filer."),
                    QStringLiteral("Ta med alle filer utenom filtyper som er lagt inn i utelat listen."),
                    QStringLiteral("Filer som skal tas med"), 282, 188, 230);
    m_optEndrede =
        box(QStringLiteral("Bare nye og &endrede filer."),
            QStringLiteral("Ta med bare nye og endrede filer siden forrige gang backup ble kjørt."),
            QStringLiteral("Filer som skal tas med"), 282, 209, 160);
    for (qvCheckBox *o : {m_optAlle, m_optEndrede}) {
        o->setStyle(2);
        o->setMode(2);
        o->setGruppeID(QStringLiteral("Backup av"));
    }
    m_chkZip = box(QStringLiteral("&Lag zipfil."), QString(), QString(), 444, 209, 72);
    m_chkZip->setEnabled(false);

    placed(new DoubleLine(m_client), 0, 234, 520, 2);
    m_chkFullSti = box(QStringLiteral("&Vis full sti."),
                       QStringLiteral("Viser/skjuler stien til filene i listen under."),
                       QStringLiteral("Vis sti"), 10, 240, 150);
    m_lvw1 = placed(new qvFileList(m_client), 6, 262, 508, 174);
    m_lvw1->setFillMode(1); // rows come from the scan, not from a folder
    m_lvw1->setHideColumnHeaders(false);
    // Every title whole from the start: the name column takes what the others leave.
    m_lvw1->setColumnWidth1(
        m_lvw1->width() - 2 -
        (m_lvw1->ColumnWidth2() + m_lvw1->ColumnWidth3() + m_lvw1->ColumnWidth4() + m_lvw1->ColumnWidth5()));
    m_pgr1 = placed(new qvProgress(m_client), 6, 440, 508, 14);
    m_pgr1->setVisible(false);
    m_shbStatus = placed(new qvShadeBox(m_client), 0, 458, 520, 22);
    m_shbStatus->setStatusBar(true);

    buildMenus();
    // The client area has one size: no resize grip, no maximise.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    qApp->installEventFilter(this);

    connect(m_cboMal, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { command([&] { m_engine.actions.selectTemplate(i); }); });
    connect(m_qvbNy, &qvTButton::Click, this, [this] { command([&] { m_engine.actions.newTemplate(); }); });
    connect(m_qvbLagre, &qvTButton::Click, this,
            [this] { command([&] { m_engine.actions.saveTemplate(); }); });
    connect(m_qvbSlett, &qvTButton::Click, this,
            [this] { command([&] { m_engine.actions.deleteTemplate(); }); });
    connect(m_qvbStart, &qvTButton::Click, this, &frmBackup::runBackup);
    connect(m_qvbUtelat, &qvTButton::Click, this, [this] { showExclusionEditor(); });
    connect(m_qvbAvslutt, &qvTButton::Click, this, [this] { close(); });
    connect(m_qvbFra, &qvCommand::Click, this, [this] { chooseFolder(UserActions::FolderField::Fra); });
    connect(m_qvbTil, &qvCommand::Click, this, [this] { chooseFolder(UserActions::FolderField::Til); });

    // A box's Click while the state is being shown is its echo, not the user's.
    auto clicked = [this](qvCheckBox *w, bool (UserActions::*action)(bool)) {
        return [this, w, action] {
            if (!m_showing)
                command([&] { (m_engine.actions.*action)(w->Value()); });
        };
    };
    auto option = [this](bool (UserActions::*action)()) {
        return [this, action] {
            if (!m_showing)
                command([&] { (m_engine.actions.*action)(); });
        };
    };
    connect(m_chkUnderkat, &qvCheckBox::Click, this, clicked(m_chkUnderkat, &UserActions::checkUnderkat));
    connect(m_chkZip, &qvCheckBox::Click, this, clicked(m_chkZip, &UserActions::checkZip));
    connect(m_chkAlleMaler, &qvCheckBox::Click, this, clicked(m_chkAlleMaler, &UserActions::checkAlleMaler));
    connect(m_chkFullSti, &qvCheckBox::Click, this, clicked(m_chkFullSti, &UserActions::checkFullSti));
    connect(m_optAlle, &qvCheckBox::Click, this, option(&UserActions::optionAlle));
    connect(m_optEndrede, &qvCheckBox::Click, this, option(&UserActions::optionEndrede));
    // Releasing the mouse over these marks the template changed even when the value
    // stayed, as a click does.
    connect(m_chkUnderkat, &qvCheckBox::MouseUp, this, clicked(m_chkUnderkat, &UserActions::checkUnderkat));
    connect(m_optAlle, &qvCheckBox::MouseUp, this, option(&UserActions::optionAlle));
    connect(m_optEndrede, &qvCheckBox::MouseUp, this, option(&UserActions::optionEndrede));
}

void frmBackup::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &name, const QString &caption, auto slot) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_mnuFil = menuBar()->addMenu(QStringLiteral("&Fil"));
    item(m_mnuFil, "mnuFilStart", "&Start backup", [this] { m_qvbStart->Click(); });
    m_mnuFil->addSeparator();
    item(m_mnuFil, "mnuFilUtelat", "&Utelat filer...", [this] { m_qvbUtelat->Click(); });
    item(m_mnuFil, "mnuFilGjenopprett", "&Hent filer tilbake...", [this] {
        frmGjenopprett restore(m_engine.state.lsv1.rows(), m_engine.state.cboMal.text(), this);
        restore.setFolderChooser([this](const QString &title, const QString &start) {
            return m_chooseFolder ? m_chooseFolder(title, start, false) : QString();
        });
        restore.exec();
    });
    m_mnuFil->addSeparator();
    item(m_mnuFil, "mnuFilVisLoggEn", "Vis siste loggfil (en mal)",
         [this] { command([&] { m_engine.actions.showLog(false); }); });
    item(m_mnuFil, "mnuFilVisLoggAlle", "Vis siste loggfil (alle maler)",
         [this] { command([&] { m_engine.actions.showLog(true); }); });
    m_mnuFil->addSeparator();
    item(m_mnuFil, "mnuFilAvslutt", "&Avslutt", [this] { m_qvbAvslutt->Click(); });

    m_mnuRediger = menuBar()->addMenu(QStringLiteral("&Rediger"));
    item(m_mnuRediger, "mnuRedigerNyMal", "&Ny mal", [this] { m_qvbNy->Click(); });
    item(m_mnuRediger, "mnuRedigerLagreMal", "Lagre &mal...", [this] { m_qvbLagre->Click(); });
    item(m_mnuRediger, "mnuRedigerSlettMal", "S&lett mal", [this] { m_qvbSlett->Click(); });
    addVersionEntries(m_mnuRediger, m_engine.state);

    m_mnuOm = menuBar()->addMenu(QStringLiteral("&Om"));
    item(m_mnuOm, "mnuOmOm0", "Versjon " + versionText(1), [] {});
    item(m_mnuOm, "mnuOmOm1", "QV Backup", [] {});
    item(m_mnuOm, "mnuOmOm2", "Et program fra QV", [] {});
    m_mnuOm->addSeparator();
    item(m_mnuOm, "mnuOmOm4", "Send e-post til " + kMailAddress, [] {
        if (!QDesktopServices::openUrl(QUrl("mailto:" + kMailAddress)))
            msgBox(QStringLiteral("Det oppstod en feil ved åpning av epostprogrammet."), Buttons::OK,
                   Icon::Exclamation);
    });
    item(m_mnuOm, "mnuOmOm5", "Besøk " + kWebAddress, [] { QDesktopServices::openUrl(QUrl(kWebAddress)); });
}

QAction *frmBackup::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

QRect frmBackup::storedPlace(QSize size)
{
    const auto stored = [](const char *key) {
        return getSetting("Vindu", key, "0").toInt() / kTwipsPerPixel;
    };
    if (!size.isValid())
        size = QSize(stored("Bredde"), stored("Hoyde"));
    if (size.width() <= 0 || size.height() <= 0)
        size = QSize(520, 502);
    const QRect place(QPoint(stored("Venstre"), stored("Topp")), size);
    // Room for a title bar above the inside: the frame is not known yet.
    constexpr int kTitle = 40;
    const QRect withTitle = place.adjusted(-8, -kTitle, 8, 8);
    if (!place.topLeft().isNull())
        for (const QScreen *screen : QGuiApplication::screens())
            if (screen->availableGeometry().contains(withTitle))
                return place;
    // First start, or a place no screen shows any more: the middle of the screen.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return place;
    const QRect avail = screen->availableGeometry();
    QRect centred(QPoint(), size);
    centred.moveCenter(avail.center() + QPoint(0, kTitle / 2));
    centred.moveTop(qMax(centred.top(), avail.top() + kTitle));
    centred.moveLeft(qMax(centred.left(), avail.left() + 8));
    return centred;
}

void frmBackup::Form_Load()
{
    RunState &s = m_engine.state;
    m_background->setColorA(qvKontrollerFelles::RGB(156, 219, 248));
    m_background->setColorB(qvKontrollerFelles::RGB(118, 179, 240));
    m_background->Refresh();
    BildeMappe = programFolder() + "\\Res\\";
    adjustSize(); // the fixed layout's final size, before the place is chosen
    setGeometry(storedPlace(size()));

    m_fileList = std::make_unique<FileListBinding>(*m_lvw1);
    s.setFileList(m_fileList.get());
    s.pathFields = new WindowPathFields(this, m_txtFra, m_txtTil, m_client);
    m_engine.actions.startUp();

    const std::pair<qvTButton *, const char *> pictures[] = {
        {m_qvbStart, "Start.png"},    {m_qvbNy, "NyMal.png"},      {m_qvbLagre, "FileSave.png"},
        {m_qvbSlett, "SlettMal.png"}, {m_qvbUtelat, "Utelat.png"}, {m_qvbAvslutt, "Exit.png"}};
    for (const auto &[button, file] : pictures)
        button->IconFromPNG(BildeMappe + file, 24);
    m_shbTopp->Lines({124, 358, 431}, qvKontrollerFelles::RGB(83, 136, 215), 180, false);
    m_shbTopp->Refresh();
    m_chkZip->setQvToolTipStyle(0);
    m_chkZip->setQvToolTipIcon(1);
    m_chkZip->setQvToolTipTime(20000);
    m_chkZip->setQvToolTipHeader(QStringLiteral("Info om lagring til zip-fil"));
    m_chkZip->setQvToolTip(QStringList{
        QStringLiteral("Ved å sette kryss her vil alle filer i backupen bli lagt inn i en datert zip-fil."),
        QStringLiteral("Denne blir lagret i mappen som er valgt som mottakermappe (til mappe)."),
        QStringLiteral("Ved å bruke dette valget slipper du problemet med at filer fra en tidligere"),
        QStringLiteral("backup blir overskrevet når det tas backup på nytt av nye og endrede filer.")}
                               .join("\r\n"));
    showState();
}

void frmBackup::showState()
{
    const RunState &s = m_engine.state;
    m_showing = true;
    if (m_cboMal->count() != s.cboMal.count() || [&] {
            for (int i = 0; i < s.cboMal.count(); ++i)
                if (m_cboMal->itemText(i) != s.cboMal.item(i))
                    return true;
            return false;
        }()) {
        m_cboMal->clear();
        m_cboMal->addItems(s.cboMal.items());
    }
    m_cboMal->setCurrentIndex(s.cboMal.listIndex());
    m_cboMal->setEnabled(s.cboMal.enabled);

    auto text = [](QLineEdit *w, const TextBox &t, bool path) {
        if (w->text() != t.text)
            w->setText(t.text);
        // Which host folder the drive letter stands for; looked up when the path changes.
        if (w->property("qvTooltip").toString() != t.tooltip ||
            w->toolTip().isEmpty() != t.tooltip.isEmpty()) {
            w->setProperty("qvTooltip", t.tooltip);
            w->setToolTip(path ? pathWithHost(t.tooltip) : t.tooltip);
        }
        w->setEnabled(t.enabled);
    };
    text(m_txtFra, s.txtFra, true);
    text(m_txtTil, s.txtTil, true);
    text(m_txtSistKjort, s.txtSistKjort, false);

    auto toggle = [](qvCheckBox *w, const Toggle &t) {
        if (w->Value() != t.value)
            w->setValue(t.value);
        w->setEnabled(t.enabled);
        w->setVisible(t.visible);
    };
    toggle(m_chkUnderkat, s.chkUnderkat);
    toggle(m_optAlle, s.optAlle);
    toggle(m_optEndrede, s.optEndrede);
    toggle(m_chkZip, s.chkZip);
    toggle(m_chkAlleMaler, s.chkAlleMaler);
    toggle(m_chkFullSti, s.chkFullSti);
    m_lblTaMed->setVisible(s.lblTaMed.visible);

    const std::pair<QWidget *, const Command *> buttons[] = {
        {m_qvbStart, &s.qvbStart}, {m_qvbNy, &s.qvbNy},         {m_qvbLagre, &s.qvbLagre},
        {m_qvbSlett, &s.qvbSlett}, {m_qvbUtelat, &s.qvbUtelat}, {m_qvbAvslutt, &s.qvbAvslutt},
        {m_qvbFra, &s.qvbFra},     {m_qvbTil, &s.qvbTil}};
    for (const auto &[w, c] : buttons)
        w->setEnabled(c->enabled);
    const std::pair<const char *, const Command *> items[] = {{"mnuFilStart", &s.mnuFilStart},
                                                              {"mnuRedigerNyMal", &s.mnuRedigerNyMal},
                                                              {"mnuRedigerLagreMal", &s.mnuRedigerLagreMal},
                                                              {"mnuRedigerSlettMal", &s.mnuRedigerSlettMal},
                                                              {"mnuFilUtelat", &s.mnuFilUtelat},
                                                              {"mnuFilAvslutt", &s.mnuFilAvslutt}};
    for (const auto &[name, c] : items)
        action(name)->setEnabled(c->enabled);
    m_mnuFil->menuAction()->setEnabled(s.mnuFil.enabled);
    m_mnuRediger->menuAction()->setEnabled(s.mnuRediger.enabled);
    m_mnuOm->menuAction()->setEnabled(s.mnuOm.enabled);

    if (m_shbStatus->Text() != s.shbStatus)
        m_shbStatus->setText(s.shbStatus);
    m_pgr1->setMaxValue(int(qMin<qint64>(s.pgr1.MaxValue, INT_MAX)));
    m_pgr1->setValue(int(qMin<qint64>(s.pgr1.Value, INT_MAX)));
    m_pgr1->setVisible(s.pgr1.Visible);
    m_showing = false;
}

void frmBackup::command(const std::function<void()> &action)
{
    action();
    showState();
}

void frmBackup::runBackup()
{
    command([&] { m_engine.actions.start(); });
    // A close confirmed during the run, and the run stopped: now the window goes.
    if (m_engine.actions.closeAfterRun())
        close();
}

void frmBackup::chooseFolder(UserActions::FolderField field)
{
    command([&] {
        m_engine.actions.chooseFolder(field, [this](const QString &title, const QString &start, bool hide) {
            showState(); // the button is out of reach while its chooser is open
            return m_chooseFolder ? m_chooseFolder(title, start, hide) : QString();
        });
    });
}

void frmBackup::showExclusionEditor()
{
    frmUtelat editor(m_engine.exclusions, this);
    editor.exec();
}

bool frmBackup::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees Esc before its controls, whatever state it is in.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        QApplication::activeWindow() == this && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        m_engine.actions.escPressed();
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmBackup::closeEvent(QCloseEvent *event)
{
    m_showing = true;
    if (!m_engine.actions.close()) {
        m_showing = false;
        event->ignore();
        return;
    }
    if (!isMinimized()) {
        // The inside of the window, as it is restored: the frame is not known before
        // the window is shown, so saving the frame's corner moved it on every start.
        const QRect g = geometry();
        saveSetting("Vindu", "Venstre", QString::number(g.x() * kTwipsPerPixel));
        saveSetting("Vindu", "Topp", QString::number(g.y() * kTwipsPerPixel));
        saveSetting("Vindu", "Bredde", QString::number(g.width() * kTwipsPerPixel));
        saveSetting("Vindu", "Hoyde", QString::number(g.height() * kTwipsPerPixel));
    }
    event->accept();
}

} // namespace qv
