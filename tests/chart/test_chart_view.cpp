// The chart view on the offscreen platform, as a user works with it: a
// laser Doppler text export with a heading line and a time column is
// imported, charted, zoomed, selected, marked and copied into a second
// chart. Image markers reach a receiving socket.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMimeData>
#include <QTest>
#include <cmath>

#include "base/FileIO.h"
#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"
#include "chart/ZliveChartDoc.h"
#include "chart/ui/MarkerSender.h"
#include "chart/ui/ZchartView.h"
#include "chart/ui/ZliveChartView.h"
#include "support/ChartAccess.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

namespace {

// A laser Doppler flux export: 60 s at 100 Hz, heart beat at 1.2 Hz on a
// slow vasomotion wave, and the probe's temperature.
std::string ldfExport() {
    std::string s = "Time (s),Flux (PU),Temperature (C)\r\n";
    for (int i = 0; i < 6000; ++i) {
        const double t = i * 0.01;
        const double flux = 60 + 18 * std::pow(std::max(0.0, std::sin(2 * M_PI * 1.2 * t)), 3) + 10 * std::sin(2 * M_PI * 0.1 * t);
        char line[96];
        std::snprintf(line, sizeof line, "%.2f,%.3f,%.3f\r\n", t, flux, 31.5 + 0.02 * t);
        s += line;
    }
    return s;
}

int countColoured(const QImage& img, QColor c, int tol = 40) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) < tol && std::abs(p.green() - c.green()) < tol && std::abs(p.blue() - c.blue()) < tol) ++n;
        }
    return n;
}

}  // namespace

TEST(ChartView, ImportMarkCopyAndImportBeside) {
    testsupport::ensureQtApp();
    ordavia::test::TestServices ts;
    const testsupport::ScratchDir dir("chartview");
    ts.services.programFolder = dir.dir.string();
    const std::string data = dir / "ldf.csv";
    ASSERT_TRUE(writeFileAtomically(data, ldfExport()).ok());

    ZchartDoc doc;
    ts.adopt(doc);
    doc.OnNewDocument();
    doc.SetTitle("ldf");
    ZchartView view(&doc);
    view.resize(1200, 560);
    view.show();
    DataFileFormat f{.outputType = 6, .count = 100000, .columns = 3};
    ASSERT_TRUE(view.importFile(data, f));
    ASSERT_EQ(doc.traceCount(), 3);
    ASSERT_TRUE(view.adoptTimeColumn());
    ASSERT_EQ(doc.traceCount(), 2);
    EXPECT_NEAR(doc.trace(0)->xInterval, 0.01, 1e-6);
    EXPECT_EQ(doc.trace(0)->sampleCount(), 6000u);
    view.fitAll();
    QApplication::processEvents();
    QImage whole = view.grab().toImage();
    EXPECT_GT(countColoured(whole, QColor(20, 60, 160)), 1500) << "the flux trace is drawn";
    EXPECT_GT(countColoured(whole, QColor(200, 40, 40)), 500) << "the temperature trace is drawn";

    // Markers at 41.5 s and at 10 s.
    view.setCursorX(41.5);
    view.cmdInsertMarker();
    view.setCursorX(10.0);
    view.cmdInsertMarker();
    ASSERT_EQ(doc.markers().size(), 2u);

    // Copy a selection into a second chart through the "CTrace" clipboard.
    view.setSelection(3000, 4500);
    view.cmdCopy();
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(ZchartView::kClipboardFormat));
    ZchartDoc other;
    ts.adopt(other);
    other.OnNewDocument();
    other.SetTitle("second");
    ZchartView v2(&other);
    v2.cmdPaste();
    ASSERT_EQ(other.traceCount(), 1);
    EXPECT_EQ(other.trace(0)->sampleCount(), 1500u);
    EXPECT_EQ(other.markers().size(), 1u) << "the marker at 41.5 s came along";

    // A column of milliseconds imported beside that trace comes in as
    // seconds; the trace already there keeps its axis.
    const std::string ms = dir / "ms.csv";
    ASSERT_TRUE(writeFileAtomically(ms, std::string("Time (ms),Flux (PU)\n0,1\n10,2\n20,3\n30,4\n")).ok());
    DataFileFormat g{.outputType = 6, .count = 4, .columns = 2};
    ASSERT_TRUE(v2.importFile(ms, g));
    ASSERT_TRUE(v2.adoptTimeColumn());
    ASSERT_EQ(other.traceCount(), 2);
    EXPECT_EQ(v2.activeTrace(), 0);
    EXPECT_EQ(other.trace(0)->xUnits, "s");
    EXPECT_EQ(other.trace(1)->xUnits, "s");
    EXPECT_NEAR(other.trace(1)->xInterval, 0.01, 1e-9);
}

TEST(ChartView, ImageMarkersPostToTheReceivingWindow) {
    testsupport::ensureQtApp();
    const QString name = QDir::tempPath() + QString("/ordavia_test_fenwyr_%1").arg(getpid());
    MarkerSender sender(name.toStdString());
    EXPECT_TRUE(CImageMarker("snap1.zvg", nullptr).fileName.empty()) << "no link: no image marker";
    {
        CImageMarker none("snap1.zvg", &sender);
        EXPECT_TRUE(none.fileName.empty()) << "no receiver: no image marker";
    }
    QLocalServer server;
    QLocalServer::removeServer(name);
    ASSERT_TRUE(server.listen(name));
    QByteArray got;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QLocalSocket::readyRead, [s, &got] { got += s->readAll(); });
    });
    // The sender waits for the connection; let the server accept meanwhile.
    auto waitFor = [&](const QByteArray& line) {
        for (int i = 0; i < 100 && !got.contains(line); ++i) QTest::qWait(10);
        return got.contains(line);
    };
    CImageMarker m("snap1.zvg", &sender);
    EXPECT_EQ(m.fileName, "snap1.zvg");
    EXPECT_EQ(m.description, "filename=snap1.zvg\r\n");
    EXPECT_TRUE(waitFor("WM_FREEZE_SAVE snap1.zvg\n"));
    m.Activate(&sender);
    EXPECT_TRUE(waitFor("WM_AUTO_LOAD snap1.zvg\n"));
    EXPECT_TRUE(CImageMarker(std::string(300, 'a'), &sender).fileName.empty()) << "longer than 260 characters";
}

TEST(ChartView, MouseMenusAndQuestions) {
    testsupport::ensureQtApp();
    ordavia::test::TestServices ts;
    ZchartDoc doc;
    ts.adopt(doc);
    auto flow = std::make_unique<CTrace>(8, 1000);
    flow->name = "flow";
    flow->xInterval = 0.01;
    for (uint32_t i = 0; i < 1000; ++i) flow->data->setAt(i, std::sin(i * 0.05));
    const CTrace* t = doc.addTrace(std::move(flow));
    ZchartView view(&doc);
    view.resize(900, 400);
    view.show();
    view.fitAll();
    QWidget* canvas = view.canvasWidget();
    const QRect plot = view.plotRect();
    // Drag a selection over the middle third of the plot.
    const QPoint a(plot.left() + plot.width() / 3, plot.center().y());
    const QPoint b(plot.left() + 2 * plot.width() / 3, plot.center().y());
    QTest::mousePress(canvas, Qt::LeftButton, {}, a);
    QTest::mouseMove(canvas, b);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, b);
    EXPECT_TRUE(view.state().hasSelection());
    EXPECT_NEAR(double(view.state().selTo) - view.state().selFrom, 333, 6);
    // The wheel zooms the x axis around the mouse.
    const double before = view.xScale();
    QWheelEvent wheel(QPointF(a), canvas->mapToGlobal(QPointF(a)), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    EXPECT_LT(view.xScale(), before);
    // Shift and drag draws the rubber band while the button is down.
    QTest::mousePress(canvas, Qt::LeftButton, Qt::ShiftModifier, a);
    QTest::mouseMove(canvas, b + QPoint(0, 40));
    EXPECT_GT(countColoured(canvas->grab().toImage(), QColor(30, 90, 220), 8), 100) << "the band's outline";
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ShiftModifier, b + QPoint(0, 40));

    // Delete asks first; "No" keeps the data.
    ts.prompter.pushMessageAnswer(MsgResult::No);
    view.findAction("&Delete")->trigger();
    ASSERT_FALSE(ts.prompter.asked.empty());
    EXPECT_EQ(t->sampleCount(), 1000u);
    // The average of the selection lands in "Chart Results".
    view.findAction("Calculate average of selection")->trigger();
    ASSERT_NE(ts.results.find("Chart Results"), nullptr);
}

// Held, the live chart shows the trace as it was while the producer goes on
// feeding, even when a feed replaces the trace; released, it follows again.
// The held picture is what "Export view as PNG" writes.
TEST(LiveChartView, HoldFreezesThePictureWhileTheProducerFeeds) {
    testsupport::ensureQtApp();
    ordavia::test::TestServices ts;
    const testsupport::ScratchDir dir("livechart");
    ZliveChartDoc live;
    ts.adopt(live);
    auto feed = [&](double phase) {
        uint32_t n = 400;
        CdataVect* v = ordavia::test::LiveFeed::samples(live, 1, n, 0.01, "mm", "profile", 8, "grey");
        for (uint32_t i = 0; i < n; ++i) v->setD(i, 100 + 80 * std::sin(i * 0.05 + phase));
        live.UpdateAllViews(nullptr, ZchartDoc::kHintData);
    };
    feed(0);
    ZliveChartView view(&live);
    view.resize(700, 400);
    view.fitAll();
    const QSize size = view.canvasWidget()->size();
    const QImage first = view.renderToImage(size);

    view.holdAction()->trigger();
    ASSERT_TRUE(view.isHeld());
    feed(2.0);
    C2DTrace rows(12, 4, 64);
    ASSERT_TRUE(ordavia::test::LiveFeed::row(live, 2, "row", rows));  // the live trace is replaced
    live.UpdateAllViews(nullptr, ZchartDoc::kHintData);
    EXPECT_EQ(live.liveData()->count, 64u) << "the producer went on feeding";
    EXPECT_EQ(view.renderToImage(size), first);

    ts.prompter.pushSaveFile(dir / "held");
    view.findAction("Export view as &PNG...")->trigger();
    EXPECT_EQ(QImage(QString::fromStdString(dir / "held.png")).convertToFormat(first.format()), first);

    view.holdAction()->trigger();
    EXPECT_FALSE(view.isHeld());
    EXPECT_NE(view.renderToImage(size), first);
}
