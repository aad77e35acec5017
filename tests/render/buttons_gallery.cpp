// Gallery shots of the drawn buttons: qvTButton, qvCommand, qvCheckBox,
// every style in every state it has (rest, hover, pressed, down, disabled).
#include "ControlCatalog.h"

#include "controls/buttons/qvCheckBox.h"
#include "controls/buttons/qvCommand.h"
#include "controls/buttons/qvTButton.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>

using namespace qv;

namespace
{

// The pictures of the main window's tool buttons, from the source tree.
QString resPicture(const QString &name)
{
    return QStringLiteral(QV_RES_DIR "/") + name;
}

// Buttons sit on the light blue of the windows' background, with a margin to show
// their outlines against it.
constexpr int Margin = 6;
const QColor FormBlue(156, 219, 248);

template <class T> T *placed(QWidget *host, QSize size)
{
    // Takes the window's first focus, so that only the focus shots show a focus frame.
    auto *focusSink = new QWidget(host);
    focusSink->setFocusPolicy(Qt::StrongFocus);
    focusSink->setGeometry(0, 0, 1, 1);
    auto *backdrop = new QWidget(host);
    backdrop->setAutoFillBackground(true);
    QPalette pal = backdrop->palette();
    pal.setColor(QPalette::Window, FormBlue);
    backdrop->setPalette(pal);
    backdrop->setGeometry(host->rect());
    auto *control = new T(backdrop);
    control->setGeometry(Margin, Margin, size.width(), size.height());
    return control;
}

enum class State { Rest, Hover, Pressed, HoverDownPart, PressedDownPart };

void park()
{
    QCursor::setPos(4000, 4000);
}

void pointAt(QWidget *c, State state)
{
    const bool downPart = state == State::HoverDownPart || state == State::PressedDownPart;
    const QPoint at =
        downPart ? QPoint(c->width() - 5, c->height() / 2) : QPoint(c->width() / 3, c->height() / 2);
    if (state == State::Rest) {
        park();
        return;
    }
    QCursor::setPos(c->mapToGlobal(at));
    QCoreApplication::processEvents();
    if (state == State::Pressed || state == State::PressedDownPart) {
        QMouseEvent press(QEvent::MouseButtonPress, at, c->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(c, &press);
    }
}

const char *stateName(State s)
{
    switch (s) {
    case State::Rest:
        return "rest";
    case State::Hover:
        return "hover";
    case State::Pressed:
        return "pressed";
    case State::HoverDownPart:
        return "hover-down-part";
    case State::PressedDownPart:
        return "pressed-down-part";
    }
    return "";
}

template <class T>
void addShot(const QString &name, const QString &caption, QSize size, std::function<void(T *)> setUp,
             State state = State::Rest)
{
    qvcatalog::add({name + QLatin1Char('_') + QLatin1String(stateName(state)),
                    caption + QStringLiteral(", ") + QLatin1String(stateName(state)),
                    size + QSize(2 * Margin, 2 * Margin),
                    [size, setUp](QWidget *host) -> QWidget * {
                        T *c = placed<T>(host, size);
                        setUp(c);
                        return c;
                    },
                    [state](QWidget *c) { pointAt(c, state); }, true});
}

template <class T>
void addStates(const QString &name, const QString &caption, QSize size, std::function<void(T *)> setUp,
               std::initializer_list<State> states = {State::Rest, State::Hover, State::Pressed})
{
    for (State s : states)
        addShot<T>(name, caption, size, setUp, s);
}

void toolButton(qvTButton *b, int style, const QString &caption, const QString &picture)
{
    b->setStyle(style);
    b->setCaption(caption);
    b->setIconAlign(1);
    b->setIconEdgeSpace(4);
    if (!picture.isEmpty())
        b->IconFromPNG(resPicture(picture), 24);
}

} // namespace

QV_CATALOG(toolButtonShots)
{
    const QSize tool(62, 50);
    for (int style : {9, 8, 7}) {
        const QString n = QStringLiteral("qvTButton_s%1").arg(style);
        const QString c = QStringLiteral("qvTButton style %1").arg(style);
        addStates<qvTButton>(n, c, tool,
                             [style](qvTButton *b) { toolButton(b, style, "Start", "Start.png"); });
        addStates<qvTButton>(n + "_down", c + ", mode 1 down", tool, [style](qvTButton *b) {
            toolButton(b, style, "Utelat", "Utelat.png");
            b->setMode(1);
            b->setValue(true);
        });
        addShot<qvTButton>(n + "_disabled", c + ", disabled", tool, [style](qvTButton *b) {
            toolButton(b, style, "Lagre mal", "FileSave.png");
            b->setEnabled(false);
        });
        addShot<qvTButton>(n + "_disabled-down", c + ", disabled and down", tool, [style](qvTButton *b) {
            toolButton(b, style, "Slett mal", "SlettMal.png");
            b->setMode(2);
            b->setValue(true);
            b->setEnabled(false);
        });
        addStates<qvTButton>(
            n + "_split", c + ", DownButton", QSize(96, 28),
            [style](qvTButton *b) {
                b->setStyle(style);
                b->setCaption("Favoritter");
                b->setDownButton(true);
                b->IconFromPNG(resPicture("NyMal.png"), 16);
            },
            {State::Rest, State::Hover, State::Pressed, State::HoverDownPart, State::PressedDownPart});
    }
    addStates<qvTButton>("qvTButton_s8_arrow", "qvTButton style 8, DrawDownIcon", QSize(96, 28),
                         [](qvTButton *b) {
                             b->setCaption("Vis");
                             b->setDrawDownIcon(true);
                         });
    for (int style : {0, 1})
        addStates<qvTButton>(QStringLiteral("qvTButton_s%1").arg(style),
                             QStringLiteral("qvTButton style %1").arg(style), QSize(90, 28),
                             [style](qvTButton *b) {
                                 b->setStyle(style);
                                 b->setCaption("&Avslutt");
                                 b->IconFromPNG(resPicture("Exit.png"), 16);
                             });
    addShot<qvTButton>(
        "qvTButton_s9_antialiased", "qvTButton style 9, RenderingStyle 4, WordWrap", QSize(62, 50),
        [](qvTButton *b) {
            b->setStyle(9);
            b->setCaption("Lagre valgt mal");
            b->setRenderingStyle(4);
            b->setWordWrap(true);
        },
        State::Hover);
    addShot<qvTButton>(
        "qvTButton_s9_icon-only", "qvTButton style 9, icon only, Align 2, DownButton", QSize(48, 26),
        [](qvTButton *b) {
            b->setStyle(9);
            b->setCaption(QString());
            b->setAlign(2);
            b->setDownButton(true);
            b->IconFromPNG(resPicture("NyMal.png"), 16);
        },
        State::Hover);
    addStates<qvTButton>("qvTButton_s9_wide", "qvTButton style 9, 508 x 28 (520 x 40 with its margin)",
                         QSize(508, 28), [](qvTButton *b) {
                             toolButton(b, 9, "Start backup", "Start.png");
                             b->setIconAlign(0);
                         });
}

QV_CATALOG(commandShots)
{
    const QSize size(100, 25);
    for (int style : {5, 0, 1, 2, 3, 4}) {
        const QString n = QStringLiteral("qvCommand_s%1").arg(style);
        const QString c = QStringLiteral("qvCommand style %1").arg(style);
        addStates<qvCommand>(n, c, size, [style](qvCommand *b) {
            b->setStyle(style);
            b->setCaption("F&ra mappe");
        });
        addShot<qvCommand>(n + "_disabled", c + ", disabled", size, [style](qvCommand *b) {
            b->setStyle(style);
            b->setCaption("&Tilføy");
            b->setEnabled(false);
        });
        addStates<qvCommand>(n + "_default", c + ", default button", size, [style](qvCommand *b) {
            b->setStyle(style);
            b->setCaption("&Ok");
            b->setDefault(true);
        });
    }
    addShot<qvCommand>("qvCommand_s5_default-disabled", "qvCommand style 5, default button, disabled", size,
                       [](qvCommand *b) {
                           b->setStyle(5);
                           b->setCaption("&Ok");
                           b->setDefault(true);
                           b->setEnabled(false);
                       });
    addShot<qvCommand>("qvCommand_s5_focus", "qvCommand style 5, focused", size, [](qvCommand *b) {
        b->setStyle(5);
        b->setCaption("&Avbryt");
        b->setFocus();
    });
    addStates<qvCommand>("qvCommand_s5_icon", "qvCommand style 5, with icon", QSize(100, 28),
                         [](qvCommand *b) {
                             b->setStyle(5);
                             b->setCaption("&Til mappe");
                             b->IconFromPNG(resPicture("NyMal.png"), 16);
                         });
    addShot<qvCommand>(
        "qvCommand_s5_soft", "qvCommand style 5, SoftStyle", size,
        [](qvCommand *b) {
            b->setStyle(5);
            b->setCaption("&Fjern");
            b->setSoftStyle(true);
        },
        State::Hover);
    addStates<qvCommand>("qvCommand_s5_wide", "qvCommand style 5, 508 x 28 (520 x 40 with its margin)",
                         QSize(508, 28), [](qvCommand *b) {
                             b->setStyle(5);
                             b->setCaption("Start &backup nå");
                             b->setDefault(true);
                         });
}

QV_CATALOG(checkBoxShots)
{
    const QSize size(160, 17);
    for (int style : {0, 2, 1, 3}) {
        const QString n = QStringLiteral("qvCheckBox_s%1").arg(style);
        const QString c = QStringLiteral("qvCheckBox style %1").arg(style);
        const int mode = style == 2 ? 2 : 1;
        const QString text = style == 2 ? "Alle &filer." : "In&kl. undermapper.";
        addStates<qvCheckBox>(n, c, size, [=](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(mode);
            b->setCaption(text);
        });
        addStates<qvCheckBox>(n + "_checked", c + ", Value True", size, [=](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(mode);
            b->setCaption(text);
            b->setValue(true);
        });
        addShot<qvCheckBox>(n + "_disabled", c + ", disabled, Value True", size, [=](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(mode);
            b->setCaption("&Lag zipfil.");
            b->setValue(true);
            b->setEnabled(false);
        });
        addShot<qvCheckBox>(n + "_disabled-gray", c + ", disabled, GrayWhenDisabled", size,
                            [=](qvCheckBox *b) {
                                b->setStyle(style);
                                b->setMode(mode);
                                b->setCaption("&Lag zipfil.");
                                b->setGrayWhenDisabled(true);
                                b->setEnabled(false);
                            });
        addShot<qvCheckBox>(n + "_right", c + ", box at the right", size, [=](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(mode);
            b->setCaption(text);
            b->setIconAlign(2);
            b->setValue(true);
        });
    }
    addShot<qvCheckBox>("qvCheckBox_s0_focus", "qvCheckBox style 0, focused", size, [](qvCheckBox *b) {
        b->setCaption("&Vis full sti.");
        b->setFocus();
    });
    for (int style : {4, 5}) {
        const QString n = QStringLiteral("qvCheckBox_s%1").arg(style);
        const QString c = QStringLiteral("qvCheckBox style %1 tab").arg(style);
        addStates<qvCheckBox>(n, c, QSize(80, 24), [style](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(2);
            b->setCaption("&Maler");
        });
        addStates<qvCheckBox>(n + "_selected", c + ", selected", QSize(80, 24), [style](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(2);
            b->setCaption("&Logg");
            b->setValue(true);
        });
        addShot<qvCheckBox>(n + "_disabled", c + ", disabled", QSize(80, 24), [style](qvCheckBox *b) {
            b->setStyle(style);
            b->setMode(2);
            b->setCaption("&Logg");
            b->setEnabled(false);
        });
    }
    addStates<qvCheckBox>("qvCheckBox_s6", "qvCheckBox style 6 button", QSize(100, 25), [](qvCheckBox *b) {
        b->setStyle(6);
        b->setCaption("&Vis sti");
    });
    addStates<qvCheckBox>("qvCheckBox_s6_down", "qvCheckBox style 6 button, Value True", QSize(100, 25),
                          [](qvCheckBox *b) {
                              b->setStyle(6);
                              b->setCaption("&Vis sti");
                              b->setValue(true);
                          });
    addStates<qvCheckBox>("qvCheckBox_s0_wide", "qvCheckBox style 0, 508 x 28 (520 x 40 with its margin)",
                          QSize(508, 28), [](qvCheckBox *b) {
                              b->setCaption(
                                  "Sett kryss for å ta backup av alle maler i en fortløpende prosess.");
                              b->setValue(true);
                          });
}
