#include "measure/ui/ImagePrinting.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "base/Text.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/ImageDocPainter.h"

namespace ordavia {

namespace {

std::string timeText(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    char buf[128];
    const size_t n = std::strftime(buf, sizeof buf, "%c", &tm);
    return std::string(buf, n);
}

constexpr double kCmPerInch = 2.54;

}  // namespace

std::vector<std::string> printHeaderLines(const ZBasicDoc& doc, double printScaleX, double printScaleY,
                                          std::time_t printed) {
    const double xs = doc.xScaleInEffect(), ys = doc.yScaleInEffect();
    const std::string unit = doc.unitsInEffect();
    std::vector<std::string> l;
    l.push_back("Filename : " + (doc.GetPathName().empty() ? doc.GetTitle() : doc.GetPathName()));
    l.push_back("Image : " + doc.imageFileName());
    // An image time of 0 means the time is not known, not 1 January 1970.
    const std::string captured = doc.imageTime() ? timeText(static_cast<std::time_t>(doc.imageTime())) : std::string();
    l.push_back(strprintf("Captured : %s", captured.c_str()));
    l.push_back(strprintf("Printed : %s", timeText(printed).c_str()));
    l.push_back(strprintf("Image size : %7.2f x %7.2f", doc.image().width() * xs, doc.image().height() * ys));
    l.push_back(strprintf("magnification : x, %7.2f  y, %7.2f %s / pixel", xs, ys, unit.c_str()));
    l.push_back(strprintf("Print scale : x, %7.2f  y, %7.2f %s / cm", printScaleX, printScaleY, unit.c_str()));
    return l;
}

void printImageDocument(QPrinter* printer, const ZBasicDoc& doc, const QImage& picture) {
    QPainter p;
    if (!p.begin(printer)) return;
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    const double dpiX = printer->logicalDpiX(), dpiY = printer->logicalDpiY();
    QFont font("Arial");
    font.setPointSizeF(10);
    p.setFont(font);
    const QFontMetricsF fm(font, printer);
    const double lineH = fm.lineSpacing();
    const QRectF area(0, 0, page.width(), page.height());

    // The picture: as large as fits below the header, leaving room for the
    // notes heading.
    const int headerLines = 7;
    const double top = lineH * (headerLines + 1);
    const double w = std::max(1, doc.image().width()), h = std::max(1, doc.image().height());
    const double avail = std::max(lineH, area.height() - top - lineH * 4);
    const double scale = std::min(area.width() / w, avail / h);
    const double pxPerCmX = dpiX / kCmPerInch, pxPerCmY = dpiY / kCmPerInch;
    const double printScaleX = doc.xScaleInEffect() * pxPerCmX / scale;
    const double printScaleY = doc.yScaleInEffect() * pxPerCmY / scale;

    double y = 0;
    for (const std::string& line : printHeaderLines(doc, printScaleX, printScaleY, std::time(nullptr))) {
        p.drawText(QPointF(0, y + fm.ascent()), QString::fromStdString(line));
        y += lineH;
    }
    ImagePaintOptions o;
    o.mapping.scale = scale;
    o.mapping.offset = QPointF(-doc.image().originX() * scale, top - doc.image().originY() * scale);
    o.mapping.unit = std::max(1.0, dpiX / 96.0);
    p.save();
    p.setClipRect(QRectF(0, top, w * scale, h * scale));
    ImageDocPainter(doc).paint(p, picture, o);
    p.restore();
    p.setFont(font);
    p.setPen(Qt::black);

    y = top + h * scale + lineH;
    QRectF notesRect(0, y + lineH, area.width(), area.bottom() - y - lineH);
    p.drawText(QPointF(0, y + fm.ascent()), "Notes");
    QString notes = QString::fromStdString(doc.notes());
    notes.replace("\r\n", "\n");
    // Notes that do not fit under the picture go on the next page.
    const QRectF needed = fm.boundingRect(QRectF(0, 0, area.width(), 1e6), Qt::TextWordWrap, notes);
    if (needed.height() > notesRect.height() && !notes.isEmpty()) {
        printer->newPage();
        notesRect = area;
    }
    p.drawText(notesRect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, notes);
    p.end();
}

void printImageDocumentWithDialog(const ZBasicDoc& doc, const QImage& picture, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted) printImageDocument(&printer, doc, picture);
}

void previewImageDocument(const ZBasicDoc& doc, const QImage& picture, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&](QPrinter* pr) { printImageDocument(pr, doc, picture); });
    dialog.exec();
}

}  // namespace ordavia
