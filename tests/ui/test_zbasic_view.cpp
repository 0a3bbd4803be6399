// The image view on the offscreen platform: overlays painted in their
// colours and places, tool actions that toggle, the commands of later work
// saying so, mouse events reaching the document in image coordinates,
// clipboard round trip and printing to a PDF.
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrinter>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "chart/ZliveChartDoc.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/ImagePrinting.h"
#include "measure/ui/ZBasicView.h"
#include "tests/support/ImageDocFixture.h"
#include "tests/support/QtTestApp.h"

using namespace ordavia;

namespace {

class ZBasicViewTest : public ImageDocFixture<> {
protected:
    void SetUp() override {
        testsupport::ensureQtApp();
        ImageDocFixture::SetUp();
        doc = &newDoc();
        doc->OnNewDocument();
        // A mid-grey picture: every overlay colour stands out against it.
        doc->setImage(grey(200, 150, 100));
        doc->setMarks(
            {.targetX = 100, .targetY = 75, .showTarget = true, .originX = 20, .originY = 130, .roi = {}, .roi2 = {}});
        doc->setRegion({10, 10, 60, 40});
    }
    static QRgb at(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

    ZBasicDoc* doc = nullptr;
};

}  // namespace

TEST_F(ZBasicViewTest, OverlaysArePaintedInTheirColoursAndPlaces) {
    doc->addNewDimension(0, {150, 20});
    doc->currentDimList().at(0)->addVertex({190, 20});
    doc->currentDimList().setCurrent(-1);
    doc->setCurrentList(2);  // green list
    doc->addNewDimension(0, {150, 60});
    doc->currentDimList().at(0)->addVertex({190, 60});
    doc->currentDimList().setCurrent(-1);
    // A dust mark stays hidden.
    doc->lists()[ZBasicDoc::kDustList].addNew(CDimList::kRectangle, {120, 100});
    doc->lists()[ZBasicDoc::kDustList].at(0)->addVertex({140, 120});

    ZBasicView view(doc);
    const QImage img = view.renderToImage();
    ASSERT_EQ(img.size(), QSize(200, 150));
    EXPECT_EQ(at(img, 5, 5), qRgb(100, 100, 100) & 0xFFFFFF);
    EXPECT_EQ(at(img, 35, 10), 0xFFFF00u);           // region: yellow
    EXPECT_EQ(at(img, 100 + 15, 75), 0xFF0000u);     // target: red, arm 20
    EXPECT_EQ(at(img, 100 + 25, 75), 0x646464u);     // not beyond the arm
    EXPECT_EQ(at(img, 24, 130), 0x00FF00u);          // origin: green, arm 5
    EXPECT_EQ(at(img, 28, 130), 0x646464u);
    EXPECT_EQ(at(img, 175, 20), 0xFF0000u);          // list 0: red line
    EXPECT_EQ(at(img, 175, 60), 0x00FF00u);          // list 2: green line
    EXPECT_EQ(at(img, 130, 100), 0x646464u);         // dust list hidden
    // While the dust mask is edited its rectangles show.
    view.tools().chooseTool(ImageToolController::kDustMask);
    EXPECT_EQ(at(view.renderToImage(), 130, 100), 0xFF00FFu);
    view.tools().chooseTool(ImageToolController::kDustMask);

    // A line grid every 50 pixels in the grid colour.
    { auto v_ = doc->grid(); v_.show = 1; v_.style = 0; v_.spacing = 50; v_.colour = 0x0000FF; doc->setGrid(v_); }  // red in the low byte
    const QImage grid = view.renderToImage();
    EXPECT_EQ(at(grid, 50, 90), 0xFF0000u);
    EXPECT_EQ(at(grid, 51, 90), 0x646464u);
    EXPECT_EQ(at(grid, 170, 50), 0xFF0000u);
}

TEST_F(ZBasicViewTest, ChalkleyGridIsDrawnFromTheShippedMetafile) {
    { auto v_ = doc->grid(); v_.show = 1; v_.style = 2; v_.colour = 0xFF0000; doc->setGrid(v_); }  // blue
    doc->setRegion({});
    { auto v_ = doc->marks(); v_.showTarget = 0; doc->setMarks(v_); }
    doc->reloadGridDrawing();
    ASSERT_FALSE(doc->gridDrawing().empty());
    ZBasicView view(doc);
    const QImage img = view.renderToImage();
    int blue = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (at(img, x, y) == 0x0000FFu) ++blue;
    EXPECT_GT(blue, 300);  // the circle and the crosses
    // Fitted into the 150-pixel-high picture: the circle's top is near y 3.
    bool topHit = false;
    for (int y = 0; y < 8; ++y)
        if (at(img, 100, y) == 0x0000FFu) topHit = true;
    EXPECT_TRUE(topHit);
}

TEST_F(ZBasicViewTest, ToolActionsToggleAndLaterCommandsAreDisabledWithTheirFeature) {
    ZBasicView view(doc);
    (void)view.documentMenus();
    QAction* lines = view.findAction("Dimension &Lines");
    lines->trigger();
    EXPECT_EQ(services.imageToolMode, 9);
    EXPECT_TRUE(lines->isChecked());
    lines->trigger();
    EXPECT_EQ(services.imageToolMode, 0);
    EXPECT_FALSE(lines->isChecked());

    // Commands of later features are there and disabled.
    EXPECT_FALSE(view.findAction("&Linescan")->isEnabled());
    view.findAction("Remove marks using dust mask")->trigger();
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0], ZBasicView::kNoDustMask);
}

TEST_F(ZBasicViewTest, MouseEventsReachTheDocumentInImageCoordinates) {
    ZBasicView view(doc);
    view.resize(500, 400);
    view.show();
    view.zoomIn();  // 2:1
    services.imageToolMode = ImageToolController::kLines;
    QWidget* c = view.canvas();
    auto send = [&](QEvent::Type type, QPoint p) {
        QMouseEvent e(type, QPointF(p), c->mapToGlobal(QPointF(p)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(c, &e);
    };
    send(QEvent::MouseButtonPress, {20, 30});
    send(QEvent::MouseButtonRelease, {20, 30});
    send(QEvent::MouseButtonPress, {81, 61});
    send(QEvent::MouseButtonRelease, {81, 61});
    ASSERT_EQ(doc->currentDimList().count(), 1);
    EXPECT_EQ(doc->currentDimList().at(0)->getVertex(0), (ZPoint{10, 15}));
    EXPECT_EQ(doc->currentDimList().at(0)->getVertex(1), (ZPoint{40, 30}));
    EXPECT_TRUE(doc->IsModified());

    // Copy and paste through the private clipboard format.
    view.copyDimension();
    view.pasteDimension();
    ASSERT_EQ(doc->currentDimList().count(), 2);
    EXPECT_EQ(doc->currentDimList().at(1)->vertices(), doc->currentDimList().at(0)->vertices());
}

TEST_F(ZBasicViewTest, PrintsHeaderPictureAndNotesToAPdf) {
    { auto v_ = doc->calibration(); v_.calibrated = 1; v_.xScale = 1.5; v_.yScale = 1.5; doc->setCalibration(v_); }
    doc->setNotes("Equalise\r\n");
    const auto lines = printHeaderLines(*doc, 12.0, 12.5, 0);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], "Image size :  300.00 x  225.00");
    EXPECT_EQ(lines[6], "Print scale : x,   12.00  y,   12.50 um / cm");

    ZBasicView view(doc);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const std::string pdf = (dir / "print.pdf").string();
    printer.setOutputFileName(QString::fromStdString(pdf));
    printImageDocument(&printer, *doc, view.picture());
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
}

TEST_F(ZBasicViewTest, FirstClickOnlyActivatesWheelZoomsAtTheCursorEscapeCancels) {
    auto other = std::make_unique<ZBasicDoc>();  // outlives the windows
    other->setServices(&services);
    other->OnNewDocument();
    QMdiArea mdi;
    mdi.resize(900, 500);
    other->setImage(CZVimage(200, 150, 0, CZVimage::kFrame, CZVimage::kGrey));
    auto* first = new ZBasicView(doc);
    auto* second = new ZBasicView(other.get());
    QMdiSubWindow* a = mdi.addSubWindow(first);
    QMdiSubWindow* b = mdi.addSubWindow(second);
    mdi.show();
    a->setGeometry(0, 0, 420, 400);
    b->setGeometry(440, 0, 420, 400);
    mdi.setActiveSubWindow(b);
    QApplication::processEvents();
    services.imageToolMode = ImageToolController::kCounting;

    QTest::mouseClick(first->canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(mdi.activeSubWindow(), a);
    EXPECT_EQ(doc->currentDimList().count(), 0);  // the click only activated
    QApplication::processEvents();
    QTest::mouseClick(first->canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(doc->currentDimList().count(), 1);

    // The picture point under the cursor stays there while zooming.
    QWidget* c = first->canvas();
    first->zoomIn();
    const QPoint cursor(200, 160);
    const QPoint before = c->mapTo(first->viewport(), cursor);
    QWheelEvent wheel(QPointF(cursor), c->mapToGlobal(QPointF(cursor)), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(c, &wheel);
    EXPECT_EQ(first->tools().zoomFactor(), 3.0);
    EXPECT_EQ(c->mapTo(first->viewport(), cursor * 3 / 2), before);

    // Escape drops a half-drawn line.
    services.imageToolMode = ImageToolController::kLines;
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(doc->currentDimList().count(), 2);
    QTest::keyClick(c, Qt::Key_Escape);
    EXPECT_EQ(doc->currentDimList().count(), 1);
}

// The exported PNG is the canvas as shown: the zoomed picture with its
// overlays. A failed export says why and leaves the earlier file alone; the
// document's own files are refused.
TEST_F(ZBasicViewTest, ExportViewAsPngSavesWhatTheViewShows) {
    doc->addNewDimension(0, {150, 20});
    doc->currentDimList().at(0)->addVertex({190, 20});
    doc->currentDimList().setCurrent(-1);
    ZBasicView view(doc);
    view.zoomIn();
    const QSize shown = view.canvas()->size();
    ASSERT_EQ(shown, QSize(400, 300));
    QAction* exportPng = view.findAction("Export view as &PNG...");
    ASSERT_TRUE(exportPng);

    prompter.pushSaveFile(path("view"));
    exportPng->trigger();
    const QImage png(QString::fromStdString(path("view.png")));
    ASSERT_EQ(png.size(), shown);
    EXPECT_EQ(at(png, 2 * 175, 2 * 20), 0xFF0000u);  // the line, zoomed
    EXPECT_EQ(at(png, 2 * 35, 2 * 10), 0xFFFF00u);   // the region
    EXPECT_EQ(at(png, 2 * 5, 2 * 100), 0x646464u);

    const size_t before = prompter.messages().size();
    prompter.pushSaveFile(path("missing/view.png"));
    exportPng->trigger();
    ASSERT_EQ(prompter.messages().size(), before + 1);
    EXPECT_NE(prompter.messages().back().find("No such file or directory"), std::string::npos);

    ASSERT_TRUE(doc->OnSaveDocument(path("doc.cs1")));
    doc->SetPathName(path("doc.cs1"));
    const auto size = std::filesystem::file_size(path("doc.cs1"));
    prompter.pushSaveFile(path("doc.cs1"));
    exportPng->trigger();
    EXPECT_NE(prompter.messages().back().find("own file"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path("doc.cs1")), size);
}

// "&Grey level" produces a live chart: one chart per view, refed as the line
// moves, reopened after it closes, never written to once either side is gone.
TEST_F(ZBasicViewTest, GreyLevelFeedsOneLiveChartThatFollowsTheLine) {
    std::vector<std::unique_ptr<Document>> opened;
    services.opener = [&](std::unique_ptr<Document> d) {
        opened.push_back(std::move(d));
        return opened.back().get();
    };
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) doc->pictureForPreview().row(y)[x] = static_cast<uint8_t>(x + y);
    ASSERT_TRUE(doc->setCalibration({.xScale = 0.5, .yScale = 0.5, .calibrated = true}));
    doc->addNewDimension(0, {10, 20});
    CDim* line = doc->currentDimList().at(0);
    line->addVertex({13, 24});  // length 5 pixels over 4 steps

    auto profileOf = [](ZliveChartDoc* chart) {
        std::vector<int64_t> v;
        for (size_t i = 0; chart->liveData() && i < chart->liveData()->count; ++i) v.push_back(chart->liveData()->getI(i));
        return v;
    };
    auto view = std::make_unique<ZBasicView>(doc);
    view->showGreyLevel();
    ASSERT_EQ(opened.size(), 1u);
    auto* chart = dynamic_cast<ZliveChartDoc*>(opened[0].get());
    ASSERT_TRUE(chart);
    EXPECT_EQ(profileOf(chart), (std::vector<int64_t>{30, 32, 34, 35, 37}));
    EXPECT_DOUBLE_EQ(chart->liveTrace()->xInterval, 2.5 / 4);

    line->moveBy(100, 0);
    doc->UpdateAllViews(nullptr, ZBasicView::kHintOverlays);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(profileOf(chart), (std::vector<int64_t>{130, 132, 134, 135, 137}));

    chart->OnCloseDocument();
    opened.clear();
    EXPECT_EQ(view->greyLevelChart(), nullptr);
    line->moveBy(0, 10);
    doc->UpdateAllViews(nullptr, ZBasicView::kHintOverlays);
    EXPECT_TRUE(opened.empty());
    view->showGreyLevel();
    ASSERT_EQ(opened.size(), 1u);
    chart = dynamic_cast<ZliveChartDoc*>(opened[0].get());
    ASSERT_TRUE(chart);
    EXPECT_EQ(profileOf(chart).front(), 140);

    view.reset();
    EXPECT_EQ(chart->ownerSlot, nullptr);
    chart->OnCloseDocument();
}
