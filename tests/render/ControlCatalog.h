#pragma once
// One list of "this control, this size, this state" shots, which the gallery renders
// each to a PNG.
//
// A file adds shots with QV_CATALOG:
//
//     #include "ControlCatalog.h"
//     QV_CATALOG(myShots)
//     {
//         qvcatalog::add({"qvProgress_s0_37", "qvProgress style 0 at 37 %", {200, 15},
//                         [](QWidget *host) { auto *p = new qvProgress(host); ...; return p; }});
//     }
//
// Include this header as "ControlCatalog.h": the shot files live beside it.
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace qvcatalog
{

struct Shot {
    QString name;    // file name stem of the picture, unique
    QString caption; // its line in the gallery index
    QSize size;      // size of the host widget the control lives in
    // Builds the control(s) inside host (already sized) in the wanted state and returns
    // the control to picture.
    std::function<QWidget *(QWidget *host)> build;
    // Run after the host is shown, before the picture is taken (hover states, timers).
    std::function<void(QWidget *control)> settle = {};
    // Picture of the whole host instead of the control (controls that paint their parent).
    bool grabHost = false;
};

inline std::vector<Shot> &shots()
{
    static std::vector<Shot> all;
    return all;
}

inline void add(Shot shot)
{
    shots().push_back(std::move(shot));
}

struct Registrar {
    explicit Registrar(void (*registerShots)()) { registerShots(); }
};

} // namespace qvcatalog

#define QV_CATALOG(name)                                                                                     \
    static void name();                                                                                      \
    static const qvcatalog::Registrar name##_registrar(&name);                                               \
    static void name()
