#include "windows/frmKatalog.h"
#include "windows/WindowPathFields.h"

#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"
#include "controls/drawing/qvKontrollerFelles.h"
#include "controls/panels/qvShadeBox.h"
#include "controls/panels/qvShadeForm.h"
#include "controls/tree/qvTree.h"
#include "engine/modBackup.h"
#include "platform/base/PlatformError.h"
#include "platform/base/Settings.h"
#include "platform/base/UserDialog.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextFile.h"
#include "platform/paths/DriveTable.h"
#include "platform/paths/WinPath.h"
#include "platform/system/DataFolder.h"

#include <QKeyEvent>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace qv
{

namespace
{
constexpr int kTwipsPerPixel = 15;
const QString kModule = QStringLiteral("frmKatalog");
const QString kSection = QStringLiteral("KatalogVindu");
} // namespace

frmKatalog::frmKatalog(const QString &valgtMappe, QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Velg mappe"));
    setModal(true);
    m_background = new qvShadeForm(this);
    m_picKatTre = new qvShadeBox(this);
    m_picKatTre->setText(QStringLiteral("Mappetre"));
    m_picKatTre->setStyle(3);
    m_picKatTre->setTextAlign(0); // the heading at the left, clear of the two buttons
    const char *tips[2][2] = {
        {"Viser dine favorittmapper om disse er opprettet i Kelvaro.", "Favorittmapper"},
        {"Opprett ny undermappe i mappen du nå står i.", "Ny mappe"}};
    for (int i = 0; i < 2; ++i) {
        m_qvbKatalog[i] = new qvTButton(m_picKatTre);
        m_qvbKatalog[i]->setStyle(9);
        m_qvbKatalog[i]->setCaption(QString());
        m_qvbKatalog[i]->setQvToolTip(QString::fromUtf8(tips[i][0]));
        m_qvbKatalog[i]->setQvToolTipHeader(QString::fromUtf8(tips[i][1]));
        m_qvbKatalog[i]->resize(22, 22);
        connect(m_qvbKatalog[i], &qvTButton::MouseUp, this,
                [this, i](int button, int, int, int) { qvbKatalog_MouseUp(i, button); });
    }
    m_qvbKatalog[0]->setIconDefault(style()->standardPixmap(QStyle::SP_DirLinkIcon));
    m_qvbKatalog[1]->setIconDefault(style()->standardPixmap(QStyle::SP_FileDialogNewFolder));
    m_tree = new qvTree(this);
    m_shbStatus = new qvShadeBox(this);
    // Docked at the bottom, so that it keeps its size grip and its text stays clear
    // of the grip and the border.
    m_shbStatus->setAlign(qvShadeBox::AlignBottom);
    m_shbStatus->setStatusBar(true);
    m_qvbOk = new qvCommand(this);
    m_qvbAvbryt = new qvCommand(this);
    for (auto [b, caption] : {std::pair{m_qvbOk, "&Ok"}, std::pair{m_qvbAvbryt, "&Avbryt"}}) {
        b->setStyle(5);
        b->setCaption(QString::fromUtf8(caption));
        b->resize(80, 26);
    }
    connect(m_qvbOk, &qvCommand::Click, this, &frmKatalog::qvbOk_Click);
    connect(m_qvbAvbryt, &qvCommand::Click, this, &frmKatalog::reject);
    connect(m_tree, &qvTree::PathChange, this, [this](QString &, QString &, int &) { showPath(); });

    Form_Load(valgtMappe);
}

// The tree opens its folder when it is first shown: only then is its path known.
void frmKatalog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_valgtMappe = realSpelling(m_tree->Path());
    StartMappe = WinPath(m_valgtMappe).withTrailingSeparator().text();
    showPath();
}

frmKatalog::~frmKatalog() = default;

void frmKatalog::Form_Load(const QString &valgtMappe)
{
    try {
        const int w = getSetting(kSection, "Bredde", "4125").toInt() / kTwipsPerPixel;
        const int h = getSetting(kSection, "Hoyde", "5700").toInt() / kTwipsPerPixel;
        resize(qMax(w, 200), qMax(h, 200));
        // The inside of the window, as done() saves it; none stored: over the owner.
        const QPoint at(getSetting(kSection, "Venstre", "0").toInt() / kTwipsPerPixel,
                        getSetting(kSection, "Topp", "0").toInt() / kTwipsPerPixel);
        if (!at.isNull())
            setGeometry(QRect(at, size()));
        m_background->setColorA(qvKontrollerFelles::RGB(156, 219, 248));
        m_background->setColorB(qvKontrollerFelles::RGB(118, 179, 240));
        m_background->Refresh();
        m_tree->setGoToPath(valgtMappe.isEmpty() ? programFolder() : valgtMappe);
    } catch (const PlatformError &e) {
        General_LoggFeil(kModule, QStringLiteral("Form_Load"), e.number(), e.description());
    }
    m_valgtMappe = realSpelling(m_tree->Path());
    showPath();
}

void frmKatalog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width(), h = height();
    m_background->Refresh();
    m_picKatTre->setGeometry(1, 2, w - 2, 30);
    m_tree->setGeometry(1, m_picKatTre->geometry().bottom() + 3, w - 2, h - 95);
    m_qvbKatalog[0]->move(m_picKatTre->width() - 720 / kTwipsPerPixel, 45 / kTwipsPerPixel);
    m_qvbKatalog[1]->move(m_picKatTre->width() - 390 / kTwipsPerPixel, 45 / kTwipsPerPixel);
    m_qvbOk->move(w - (2 * m_qvbOk->width() + 10), h - (m_qvbOk->height() + 25));
    m_qvbAvbryt->move(w - (m_qvbAvbryt->width() + 5), h - (m_qvbAvbryt->height() + 25));
    m_shbStatus->setGeometry(0, h - 22, w, 22);
    showPath();
}

void frmKatalog::showPath()
{
    // The text box leaves TextFromEdge at both ends and the grip at the right.
    const int room = m_shbStatus->width() - 2 * m_shbStatus->TextFromEdge() - 12;
    m_shbStatus->setText(shortPathIn(m_shbStatus->font(), realSpelling(m_tree->Path()),
                                     std::min(room, m_shbStatus->width() - 10)));
}

void frmKatalog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F5) {
        m_tree->Refresh();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmKatalog::qvbOk_Click()
{
    // The tree keys its folders in lower case; the file system has the real names.
    m_valgtMappe = WinPath(realSpelling(m_tree->Path())).withTrailingSeparator().text();
    m_changed = m_valgtMappe.compare(StartMappe, Qt::CaseInsensitive) != 0;
    accept();
}

// The close box and Esc cancel, as the Avbryt button does: nothing is chosen by
// merely closing the window.
void frmKatalog::reject()
{
    m_valgtMappe.clear();
    QDialog::reject();
}

// Every way out (Ok, Avbryt, the close box, Esc) ends here.
void frmKatalog::done(int result)
{
    saveSetting(kSection, "Venstre", QString::number(geometry().x() * kTwipsPerPixel));
    saveSetting(kSection, "Topp", QString::number(geometry().y() * kTwipsPerPixel));
    saveSetting(kSection, "Bredde", QString::number(width() * kTwipsPerPixel));
    saveSetting(kSection, "Hoyde", QString::number(height() * kTwipsPerPixel));
    QDialog::done(result);
}

void frmKatalog::qvbKatalog_MouseUp(int index, int button)
{
    try {
        if (index == 0)
            General_FavoritterMeny(button);
        else if (button == 1)
            m_tree->CreateNewFolder();
    } catch (const PlatformError &e) {
        General_LoggFeil(kModule, QStringLiteral("qvbKatalog_MouseUp"), e.number(), e.description());
    }
}

void frmKatalog::General_FavoritterLes()
{
    m_fav.clear();
    const QString name = General_BrukerNavn();
    const QString FavFil = name.isEmpty() ? QStringLiteral("Favoritter.krt") : name + ".krt";
    try {
        const QString path = dataFile(FavFil);
        if (!fileExists(path))
            raiseError(Err::FileNotFound);
        FieldReader in(readTextFile(path).orThrow());
        try {
            while (!in.atEnd()) {
                QString f[4];
                for (QString &field : f)
                    field = in.next();
                if (f[0] == QLatin1String("2") && (fileExists(f[3]) || folderExists(f[3])))
                    m_fav.push_back({f[1], f[3], f[2]});
            }
        } catch (const PlatformError &e) {
            if (e.number() != Err::InputPastEnd && e.number() != Err::BadFileName)
                throw;
        }
    } catch (const PlatformError &e) {
        if (e.number() == Err::FileNotFound) {
            msgBox(QStringLiteral("Det er ikke opprettet noen favorittmapper ennå, dette gjøres i Kelvaro."),
                   Buttons::OK, Icon::Information);
            m_fav.clear();
            return;
        }
        General_LoggFeil(kModule, QStringLiteral("General_FavoritterLes"), e.number(), e.description());
    }
    std::stable_sort(m_fav.begin(), m_fav.end(), [](const Favoritt &a, const Favoritt &b) {
        return QString::compare(a.gruppe, b.gruppe, Qt::CaseInsensitive) < 0;
    });
}

QMenu *frmKatalog::buildFavouritesMenu(int button)
{
    General_FavoritterLes();
    delete m_mnuFav;
    m_mnuFav = new QMenu(QStringLiteral("Fav"), this);
    bool newGroup = true;
    for (size_t i = 0; i < m_fav.size(); ++i) {
        const Favoritt &row = m_fav[i];
        if (newGroup) {
            m_mnuFav->addAction(row.gruppe)->setEnabled(false);
            newGroup = false;
        }
        const QString caption =
            button == 1 ? General_SisteMappe(row.sti) : shortPathIn(m_mnuFav->font(), row.mappe, 500);
        QAction *entry = m_mnuFav->addAction(QStringLiteral("    ") + caption);
        const QString folder = row.mappe;
        connect(entry, &QAction::triggered, this, [this, folder] {
            try {
                m_tree->setGoToPath(folder);
            } catch (const PlatformError &e) {
                General_LoggFeil(kModule, QStringLiteral("mnuFavDrop_Click"), e.number(), e.description());
            }
        });
        if (i + 1 < m_fav.size() && m_fav[i + 1].gruppe != row.gruppe) {
            m_mnuFav->addSeparator();
            newGroup = true;
        }
    }
    return m_mnuFav;
}

void frmKatalog::General_FavoritterMeny(int button)
{
    QMenu *menu = buildFavouritesMenu(button);
    if (menu->isEmpty())
        return;
    menu->popup(mapToGlobal(QPoint(m_picKatTre->x() + m_qvbKatalog[0]->x(), m_tree->y() - 5)));
}

} // namespace qv
