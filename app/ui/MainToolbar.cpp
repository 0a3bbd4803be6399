#include "app/ui/MainToolbar.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

#include "chart/ui/ZliveChartView.h"
#include "framework/ui/MenuProvider.h"

namespace ordavia {

namespace {

enum Icon {
    kIconOpen, kIconSave, kIconCut, kIconCopy, kIconPaste, kIconSmooth, kIconAverage, kIconBrighter, kIconDim,
    kIconReduceScale, kIconIncreaseScale, kIconHide, kIconNarrower, kIconWider, kIconHold
};

// Drawn rather than shipped: a few strokes in the frame's palette read at
// any size and need no image files beside the program.
QIcon drawIcon(int which) {
    const int s = 24;
    QPixmap pm(s * 2, s * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x2c, 0x34, 0x40), blue(0x24, 0x6b, 0xc8), paper(0xfa, 0xfa, 0xf6);
    const QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    auto page = [&](QRectF r) {
        p.setBrush(paper);
        p.drawRect(r);
    };
    auto trace = [&](QColor c, double amp, double width, double centre = 14) {
        QPainterPath path(QPointF(3, centre));
        for (int x = 3; x <= 21; ++x) path.lineTo(x, centre - amp * std::sin((x - 3) * 0.7));
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(pen);
    };
    auto sun = [&](bool bright) {
        p.setBrush(bright ? QColor(0xf2, 0xb8, 0x1c) : QColor(0x8a, 0x86, 0x78));
        p.drawEllipse(QPointF(12, 12), bright ? 4.5 : 3.5, bright ? 4.5 : 3.5);
        const int rays = bright ? 8 : 4;
        for (int i = 0; i < rays; ++i) {
            const double a = i * 2 * std::numbers::pi / rays;
            const double r0 = bright ? 6.5 : 5.5, r1 = bright ? 10.0 : 7.5;
            p.drawLine(QPointF(12 + r0 * std::cos(a), 12 + r0 * std::sin(a)), QPointF(12 + r1 * std::cos(a), 12 + r1 * std::sin(a)));
        }
    };
    auto arrows = [&](bool inward) {
        trace(blue, 2, 1.8, 12);
        for (double y : {3.0, 21.0}) {
            const double tip = inward ? (y < 12 ? 9 : 15) : y, tail = inward ? y : (y < 12 ? 9 : 15);
            p.drawLine(QPointF(12, tail), QPointF(12, tip));
            const double d = tip > tail ? -3 : 3;
            p.drawLine(QPointF(12, tip), QPointF(9, tip + d));
            p.drawLine(QPointF(12, tip), QPointF(15, tip + d));
        }
    };
    auto bell = [&](double half) {
        QPainterPath path(QPointF(2, 20));
        for (double x = 2; x <= 22; x += 0.5) path.lineTo(x, 20 - 14 * std::exp(-(x - 12) * (x - 12) / (2 * half * half)));
        p.setBrush(QColor(0x24, 0x6b, 0xc8, 60));
        p.drawPath(path);
        p.drawLine(QPointF(2, 20.5), QPointF(22, 20.5));
    };
    switch (which) {
        case kIconOpen:
            p.setBrush(QColor(0xe8, 0xc0, 0x60));
            p.drawPolygon(QPolygonF({{2, 6}, {9, 6}, {11, 8}, {20, 8}, {20, 19}, {2, 19}}));
            p.setBrush(QColor(0xf6, 0xd8, 0x88));
            p.drawPolygon(QPolygonF({{5, 11}, {22, 11}, {19, 19}, {2, 19}}));
            break;
        case kIconSave:
            p.setBrush(blue);
            p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
            page(QRectF(7, 3, 10, 7));
            p.setBrush(paper);
            p.drawRect(QRectF(6, 14, 12, 7));
            break;
        case kIconCut:
            p.drawLine(QPointF(7, 3), QPointF(15, 15));
            p.drawLine(QPointF(17, 3), QPointF(9, 15));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(7.5, 18), 3, 3);
            p.drawEllipse(QPointF(16.5, 18), 3, 3);
            break;
        case kIconCopy:
            page(QRectF(3, 3, 11, 14));
            page(QRectF(9, 7, 11, 14));
            break;
        case kIconPaste:
            p.setBrush(QColor(0xb8, 0x8a, 0x50));
            p.drawRoundedRect(QRectF(3, 4, 15, 17), 2, 2);
            page(QRectF(10, 9, 11, 13));
            p.setBrush(ink);
            p.drawRect(QRectF(7, 2, 7, 4));
            break;
        case kIconSmooth: {
            // A jagged trace and its smoothed course.
            static const double jag[] = {0, 5, -4, 6, -2, 7, 1, -5, 4, -6, 3, -3, 5, -4, 1, 4, -5, 3, 0};
            QPainterPath noisy(QPointF(3, 12));
            for (int x = 3; x <= 21; ++x) noisy.lineTo(x, 12 - 4 * std::sin((x - 3) * 0.35) + jag[x - 3]);
            p.setPen(QPen(QColor(0x70, 0x7a, 0x88), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(noisy);
            QPainterPath smooth(QPointF(3, 12));
            for (int x = 3; x <= 21; ++x) smooth.lineTo(x, 12 - 4 * std::sin((x - 3) * 0.35));
            p.setPen(QPen(blue, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(smooth);
            break;
        }
        case kIconAverage:
            trace(QColor(0x9a, 0xa4, 0xb0), 6, 1.2);
            p.setPen(QPen(QColor(0xc8, 0x30, 0x30), 2));
            p.drawLine(QPointF(3, 14), QPointF(21, 14));
            break;
        case kIconBrighter: sun(true); break;
        case kIconDim: sun(false); break;
        case kIconReduceScale: arrows(false); break;
        case kIconIncreaseScale: arrows(true); break;
        case kIconHide:
            p.setBrush(paper);
            p.drawEllipse(QRectF(2, 7, 20, 10));
            p.setBrush(ink);
            p.drawEllipse(QPointF(12, 12), 3, 3);
            p.setPen(QPen(QColor(0xc8, 0x30, 0x30), 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 20), QPointF(20, 4));
            break;
        case kIconNarrower: bell(2.5); break;
        case kIconWider: bell(5.5); break;
        case kIconHold:
            p.setBrush(QColor(0xc8, 0x30, 0x30));
            p.drawRoundedRect(QRectF(6, 4, 4, 16), 1, 1);
            p.drawRoundedRect(QRectF(14, 4, 4, 16), 1, 1);
            break;
    }
    p.end();
    return QIcon(pm);
}

QString plain(const QString& menuText) {
    QString t = menuText;
    t.replace("&&", "\x01");
    t.remove('&');
    t.replace("\x01", "&");
    return t;
}

QAction* findInMenu(QMenu* m, const QString& text, QString* where) {
    if (!m) return nullptr;
    for (QAction* a : m->actions()) {
        if (a->menu()) {
            if (QAction* b = findInMenu(a->menu(), text, where)) return b;
        } else if (!a->isSeparator() && a->text() == text) {
            if (where) *where = plain(m->title());
            return a;
        }
    }
    return nullptr;
}

}  // namespace

const std::vector<MainToolbar::Button>& MainToolbar::buttons() {
    static const std::vector<Button> kButtons = {
        {"Save the document", "&Save", kIconSave, false, false},
        {"Cut", "Cu&t", kIconCut, true, true},
        {"Copy", "&Copy", kIconCopy, true, false},
        {"Paste", "&Paste", kIconPaste, true, false},
        {"Simple smoothing", "&Simple smoothing....", kIconSmooth, true, false},
        {"Average of selection", "Calculate average of selection", kIconAverage, true, false},
        {"Increase trace brightness", "brighter", kIconBrighter, true, false},
        {"Decrease trace brightness", "dim", kIconDim, true, false},
        {"Reduce full scale", "&Reduce full scale", kIconReduceScale, true, false},
        {"Increase full scale", "&Increase  full scale", kIconIncreaseScale, true, false},
        {"Hide trace", "&Hide Trace", kIconHide, true, false},
        {"Decrease bandwidth", "&Decrease Bandwidth", kIconNarrower, false, true},
        {"Increase bandwidth", "&Increase Bandwidth", kIconWider, false, false},
        {"Hold the live chart's picture", ZliveChartView::kHoldText, kIconHold, false, true},
    };
    return kButtons;
}

QAction* findViewCommand(QWidget* view, const QString& text, QString* where) {
    if (!view) return nullptr;
    if (auto* provider = dynamic_cast<MenuProvider*>(view)) {
        for (QAction* a : provider->fileActions())
            if (a && a->text() == text) {
                if (where) *where = "File";
                return a;
            }
        for (QMenu* m : provider->documentMenus())
            if (QAction* a = findInMenu(m, text, where)) return a;
    }
    for (QAction* a : view->actions())
        if (a->text() == text) {
            if (where) where->clear();
            return a;
        }
    return nullptr;
}

MainToolbar::MainToolbar(QAction* openAction, QWidget* parent) : QToolBar("Main toolbar", parent) {
    setObjectName("MainToolbar");
    setIconSize(QSize(24, 24));
    setMovable(true);
    setAllowedAreas(Qt::AllToolBarAreas);
    if (openAction) {
        openAction->setIcon(drawIcon(kIconOpen));
        openAction->setToolTip("Open one or more documents (File > Open...)");
        addAction(openAction);
    }
    routes_.resize(buttons().size());
    for (size_t i = 0; i < buttons().size(); ++i) {
        const Button& b = buttons()[i];
        if (b.newGroup) addSeparator();
        Route& r = routes_[i];
        r.button = &b;
        r.proxy = addAction(drawIcon(b.icon), QString::fromUtf8(b.name));
        r.proxy->setObjectName(QString::fromUtf8(b.command));
        if (&b == &buttons().back()) r.proxy->setData(ZliveChartView::kHoldCommand);
        connect(r.proxy, &QAction::triggered, this, [this, i] {
            Route& rt = routes_[i];
            if (rt.target && rt.target->isEnabled()) rt.target->trigger();
            refresh(rt);
        });
        refresh(r);
    }
}

void MainToolbar::setActiveView(QWidget* view) {
    for (const auto& c : watches_) disconnect(c);
    watches_.clear();
    for (size_t i = 0; i < routes_.size(); ++i) {
        Route& r = routes_[i];
        r.where.clear();
        r.target = findViewCommand(view, QString::fromUtf8(r.button->command), &r.where);
        // The button follows its command: enabled, checked, or gone with its view.
        if (r.target) {
            watches_.push_back(connect(r.target, &QAction::changed, this, [this, i] { refresh(routes_[i]); }));
            watches_.push_back(connect(r.target, &QObject::destroyed, this, [this, i] {
                routes_[i].target = nullptr;
                refresh(routes_[i]);
            }));
        }
        refresh(r);
    }
}

void MainToolbar::refresh(Route& r) {
    const QString command = plain(QString::fromUtf8(r.button->command));
    QAction* t = r.target.data();
    r.proxy->setEnabled(t && t->isEnabled());
    r.proxy->setCheckable(t && t->isCheckable());
    r.proxy->setChecked(t && t->isChecked());
    QString tip = QString::fromUtf8(r.button->name);
    if (!t)
        tip += " (" + command + "): not available in this window";
    else if (!t->statusTip().isEmpty())
        tip += " (" + command + ")\n" + t->statusTip();
    else
        tip += " (" + (r.where.isEmpty() ? command : r.where + " > " + command) + ")";
    r.proxy->setToolTip(tip);
}

QAction* MainToolbar::buttonFor(const QString& command) const {
    for (const Route& r : routes_)
        if (QString::fromUtf8(r.button->command) == command) return r.proxy;
    return nullptr;
}

void MainToolbar::setChartEditingShown(bool on) {
    chartShown_ = on;
    for (const Route& r : routes_)
        if (r.button->chartEditing) r.proxy->setVisible(on);
}

}  // namespace ordavia
