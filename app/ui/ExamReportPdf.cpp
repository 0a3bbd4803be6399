// The examination report as PDF, painted with Qt's PDF writer into memory
// and then saved over the target in one step. Only QtGui is needed, so the
// command-line tool links it too; without a running application (the
// command line) an offscreen one is made for the painter's fonts.
#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "app/ExamReport.h"
#include "base/FileIO.h"
#include "base/Text.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A QGuiApplication for a program that has none; it stays until exit.
void ensureGuiApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 3;
    static char arg0[] = "ordavia-cli", arg1[] = "-platform", arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);
}

class ReportPainter {
public:
    ReportPainter(QPdfWriter& w) : writer_(w), p_(&w) {
        const QRect page = w.pageLayout().paintRectPixels(w.resolution());
        width_ = page.width();
        height_ = page.height();
        line_ = w.resolution() / 6;  // 12 pt
    }
    QPainter& painter() { return p_; }
    int width() const { return width_; }

    void room(int h) {
        if (y_ + h <= height_) return;
        writer_.newPage();
        y_ = 0;
    }
    void text(const QString& t, int pt = 10, bool bold = false, int x = 0) {
        QFont f("Sans Serif", pt);
        f.setBold(bold);
        p_.setFont(f);
        const QRect r = p_.boundingRect(QRect(x, 0, width_ - x, height_), Qt::TextWordWrap, t);
        room(r.height());
        p_.drawText(QRect(x, y_, width_ - x, r.height()), Qt::TextWordWrap, t);
        y_ += r.height();
    }
    void gap(int n = 1) { y_ += n * line_ / 2; }
    int y() const { return y_; }
    void setY(int y) { y_ = y; }
    void rule() {
        room(line_ / 2);
        p_.drawLine(0, y_, width_, y_);
        y_ += line_ / 3;
    }

private:
    QPdfWriter& writer_;
    QPainter p_;
    int width_ = 0, height_ = 0, line_ = 0, y_ = 0;
};

}  // namespace

Status writeExamReportPdf(const ExamReport& report, const std::string& path) {
    ensureGuiApplication();
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(q("Examination " + report.exam.folder));
        writer.setCreator("Ordavia 4.42.0.0");
        ReportPainter r(writer);
        if (!r.painter().isActive()) return Status::failure(path + ": the PDF cannot be painted");

        const SubjectRecord& s = report.subject;
        r.text("Examination report", 16, true);
        r.gap();
        r.text(q("Subject " + s.id + ": " + s.name + (s.surname.empty() ? "" : " " + s.surname)), 11, true);
        if (!s.comments.empty()) r.text(q(s.comments));
        r.gap();
        r.text(q("Site: " + report.exam.site), 11);
        r.text(q("Date: " + report.exam.created + " (UTC)"));
        if (!report.exam.comment.empty()) r.text(q("Comment: " + report.exam.comment));
        r.text(q(strprintf("Examination %i, folder ", report.exam.id) + report.dataFolder + report.exam.folder));
        r.gap();
        r.rule();

        const int thumbWidth = r.width() * 2 / 5;
        for (const ReportItem& item : report.items) {
            if (item.thumbnail.width <= 0 && !item.missing) continue;
            int h = 0;
            QImage img;
            if (item.thumbnail.width > 0) {
                img = QImage(item.thumbnail.rgb.data(), item.thumbnail.width, item.thumbnail.height,
                             item.thumbnail.width * 3, QImage::Format_RGB888);
                h = thumbWidth * item.thumbnail.height / item.thumbnail.width;
            }
            r.room(std::max(h, 300));
            const int top = r.y();
            if (!img.isNull()) r.painter().drawImage(QRect(0, top, thumbWidth, h), img);
            r.text(q(item.row.filename), 10, true, thumbWidth + 40);
            if (item.missing) r.text("The file is missing from the examination folder.", 10, false, thumbWidth + 40);
            if (!item.row.result.empty()) r.text(q(item.row.result), 10, false, thumbWidth + 40);
            if (!item.measurements.empty()) r.text(q(item.measurements), 9, false, thumbWidth + 40);
            r.setY(std::max(r.y(), top + h));
            r.gap();
        }

        r.rule();
        r.text("Results", 12, true);
        r.gap();
        const int c1 = r.width() * 7 / 100, c2 = r.width() * 34 / 100, c3 = r.width() * 56 / 100;
        r.painter().setFont(QFont("Sans Serif", 9, QFont::Bold));
        r.room(60);
        int y = r.y();
        r.painter().drawText(0, y, c1, 50, 0, "id");
        r.painter().drawText(c1, y, c2 - c1, 50, 0, "date");
        r.painter().drawText(c2, y, c3 - c2, 50, 0, "filename");
        r.painter().drawText(c3, y, r.width() - c3, 50, 0, "result");
        r.setY(y + 50);
        for (const ReportItem& item : report.items) {
            r.painter().setFont(QFont("Sans Serif", 9));
            const QString res = q(item.row.result);
            const QRect b = r.painter().boundingRect(QRect(c3, 0, r.width() - c3, 10000), Qt::TextWordWrap, res);
            const int h = std::max(45, b.height());
            r.room(h);
            y = r.y();
            r.painter().drawText(0, y, c1, h, 0, q(item.row.id));
            r.painter().drawText(c1, y, c2 - c1, h, 0, q(item.row.created));
            r.painter().drawText(QRect(c2, y, c3 - c2 - 20, h), Qt::TextWrapAnywhere, q(item.row.filename));
            r.painter().drawText(QRect(c3, y, r.width() - c3, h), Qt::TextWordWrap, res);
            r.setY(y + h + 8);
        }
        if (report.items.empty()) r.text("No results are filed under this examination.");
    }
    return writeFileAtomically(path, bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace ordavia
