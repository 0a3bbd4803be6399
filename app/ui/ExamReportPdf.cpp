// The examination report as PDF, painted with Qt's PDF writer into memory
// and then saved over the target in one step. Only QtGui is needed, so the
// command-line tool links it too; without a running application (the
// command line) an offscreen one is made for the painter's fonts.
#include <cmath>
#include <vector>

#include "base/ProductVersion.h"

#include <QBuffer>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

#include "app/ExamReport.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "figures/MeasureValues.h"

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

// Whether some font of this computer has a glyph for every character:
// without one the painter leaves the character out of the page.
class GlyphCheck {
public:
    bool showable(const QString& text) {
        for (const uint c : text.toUcs4()) {
            if (c < 0x80) continue;
            auto known = cache_.find(c);
            if (known == cache_.end()) known = cache_.insert(c, anyFontHas(c));
            if (!*known) return false;
        }
        return true;
    }

private:
    static bool anyFontHas(uint c) {
        if (QFontMetrics(QFont("Sans Serif")).inFontUcs4(c)) return true;
        for (const QString& family : QFontDatabase::families())
            if (QFontMetrics(QFont(family)).inFontUcs4(c)) return true;
        return false;
    }
    QHash<uint, bool> cache_;
};

// The texts of the report that the fonts cannot show, named by where they stand.
std::vector<std::string> unshowableTexts(const ExamReport& report) {
    GlyphCheck check;
    std::vector<std::string> where;
    const auto look = [&](const std::string& text, const std::string& what) {
        if (!text.empty() && !check.showable(QString::fromStdString(text))) where.push_back(what);
    };
    const SubjectRecord& s = report.subject;
    look(s.id + s.name + s.surname, "the subject's name");
    look(s.comments, "the subject's comments");
    look(report.exam.site + report.exam.comment + report.exam.folder, "the examination's site or comment");
    for (const ReportItem& i : report.items)
        look(i.row.filename + i.row.result + i.measurements, "the result of " + i.row.filename);
    return where;
}

// The measurements over a thumbnail drawn at `box`.
void drawMarks(QPainter& p, const ReportThumbnail& t, const QRect& box) {
    if (t.marks.empty() || t.width <= 0) return;
    const double f = double(box.width()) / t.width;
    p.save();
    p.setClipRect(box);
    p.setBrush(Qt::NoBrush);
    const auto at = [&](const std::pair<double, double>& v) { return QPointF(box.x() + v.first * f, box.y() + v.second * f); };
    for (const ReportMark& m : t.marks) {
        QPen pen(m.colour ? QColor::fromRgb(m.colour) : QColor(230, 30, 30), m.bold ? 8 : 3);
        if (m.dashed) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        if (m.circle) {
            const QPointF a = at(m.points[0]), b = at(m.points[1]);
            const double r = std::hypot(b.x() - a.x(), b.y() - a.y()) / 2;
            p.drawEllipse((a + b) / 2, r, r);
        } else if (m.points.size() == 1) {
            const QPointF c = at(m.points[0]);
            p.drawLine(c + QPointF(-12, -12), c + QPointF(12, 12));
            p.drawLine(c + QPointF(-12, 12), c + QPointF(12, -12));
        } else {
            QPolygonF poly;
            for (const auto& v : m.points) poly << at(v);
            if (m.closed) p.drawPolygon(poly);
            else p.drawPolyline(poly);
        }
    }
    p.restore();
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
    void text(const QString& t, int pt = 10, bool bold = false, int x = 0, int wrap = Qt::TextWordWrap) {
        QFont f("Sans Serif", pt);
        f.setBold(bold);
        p_.setFont(f);
        const QRect r = p_.boundingRect(QRect(x, 0, width_ - x, height_), wrap, t);
        room(r.height());
        p_.drawText(QRect(x, y_, width_ - x, r.height()), wrap, t);
        y_ += r.height();
    }
    void gap(int n = 1) { y_ += n * line_ / 2; }
    void newPage() {
        writer_.newPage();
        y_ = 0;
    }
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

// The assessment page: the examination's pattern, the finger grid, then
// each assessed picture with its findings drawn, its figures, its pattern
// with the deciding rule and what was corrected by hand.
void paintAssessmentPage(ReportPainter& r, const ExamReport& report) {
    const ExamAssessmentSummary& s = report.assessment;
    r.newPage();
    r.text("Capillaroscopy assessment", 16, true);
    r.gap();
    r.text(q(examPatternWords(s)), 11, true);
    r.gap();
    const MeasureValues names(fingerMeasures());
    std::vector<QString> heads{"finger"};
    for (const Measure& m : fingerMeasures().measures) heads.push_back(q(names.heading(m)));
    heads.push_back("pattern");
    std::vector<std::vector<QString>> body;
    for (const FingerSummary& f : s.fingers) {
        std::vector<QString> cells{q(f.finger)};
        for (const Measure& m : fingerMeasures().measures) cells.push_back(q(f.figures.number(m.key)));
        cells.push_back(q(fingerPatternCell(f)));
        body.push_back(std::move(cells));
    }
    // Each column as wide as its longest word (headings wrap between words,
    // never inside one), the page's spare width shared out evenly.
    const size_t cols = heads.size();
    const QFont headFont("Sans Serif", 8, QFont::Bold), cellFont("Sans Serif", 8);
    const int pad = 24;
    std::vector<int> widths(cols, 0);
    for (size_t c = 0; c < cols; ++c) {
        const QFontMetrics hm(headFont, r.painter().device()), cm(cellFont, r.painter().device());
        for (const QString& word : heads[c].split(' ', Qt::SkipEmptyParts)) widths[c] = std::max(widths[c], hm.horizontalAdvance(word));
        for (const auto& cells : body) widths[c] = std::max(widths[c], cm.horizontalAdvance(cells[c]));
        widths[c] += pad;
    }
    int total = 0;
    for (int w : widths) total += w;
    const int spare = r.width() - total;
    for (int& w : widths) w = spare >= 0 ? w + spare / int(cols) : w * r.width() / total;
    const auto row = [&](const std::vector<QString>& cells, bool bold) {
        r.painter().setFont(bold ? headFont : cellFont);
        int h = 45;
        for (size_t c = 0; c < cols; ++c)
            h = std::max(h, r.painter().boundingRect(QRect(0, 0, widths[c] - pad, 10000), Qt::TextWordWrap, cells[c]).height());
        r.room(h);
        const int y = r.y();
        int x = 0;
        for (size_t c = 0; c < cols; ++c) {
            r.painter().drawText(QRect(x, y, widths[c] - pad, h), Qt::TextWordWrap, cells[c]);
            x += widths[c];
        }
        r.setY(y + h + 8);
    };
    row(heads, true);
    for (const auto& cells : body) row(cells, false);
    r.gap();
    r.rule();
    const int thumbWidth = r.width() * 2 / 5;
    for (const ReportAssessment& a : report.assessed) {
        const ReportThumbnail& t = a.thumbnail;
        const int h = t.width > 0 ? thumbWidth * t.height / t.width : 0;
        // A picture and its figures stay on one page.
        r.room(std::max(h, 1150));
        const int top = r.y();
        if (t.width > 0) {
            const QImage img(t.rgb.data(), t.width, t.height, t.width * 3, QImage::Format_RGB888);
            r.painter().drawImage(QRect(0, top, thumbWidth, h), img);
            drawMarks(r.painter(), t, QRect(0, top, thumbWidth, h));
        }
        const int x = thumbWidth + 40;
        r.text(q(a.stored.finger + ": " + a.stored.filename), 10, true, x, Qt::TextWrapAnywhere);
        if (!a.problem.empty()) r.text(q(a.problem), 9, true, x);
        r.text(q(a.pattern), 9, true, x);
        if (!a.warnings.empty()) r.text(q("Warnings: " + a.warnings), 8, false, x);
        if (!a.untrusted.empty()) r.text(q(a.untrusted), 8, false, x);
        std::string lines;
        for (const std::string& l : a.figures) lines += (lines.empty() ? "" : "\n") + l;
        r.text(q(lines), 8, false, x);
        const std::string hand = figureHeadings(a.stored.byHand);
        r.text(q(hand.empty() ? std::string("No figure corrected by hand.") : "Corrected by hand: " + hand), 8, !hand.empty(), x);
        r.setY(std::max(r.y(), top + h));
        r.gap();
    }
    r.text("Density: distal-row capillaries per mm; giant: apical diameter of 50 um or more; dilated: 20 to 50 um; "
           "avascular: a gap over 500 um. Pattern by the Fast Track algorithm; the phase is a suggestion only. "
           "Marks: yellow row line, green normal, orange dilated, red giant, magenta abnormal shape, cyan haemorrhage, "
           "blue avascular gap, dashed corrected by hand.",
           7);
}

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
        writer.setCreator(ordavia::kProductTitle);
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
        r.text(q(strprintf("Examination %lld, folder ", static_cast<long long>(report.exam.id)) + report.dataFolder + report.exam.folder));
        if (const auto lost = unshowableTexts(report); !lost.empty()) {
            std::string names;
            for (const std::string& w : lost) names += (names.empty() ? "" : "; ") + w;
            r.gap();
            r.text(q("Note: the fonts of this computer cannot show some characters of " + names +
                     ". They are left out of this page; the CSV file beside the report holds the full text."),
                   9, true);
        }
        r.gap();
        r.rule();

        const int thumbWidth = r.width() * 2 / 5;
        for (const ReportItem& item : report.items) {
            if (item.thumbnail.width <= 0 && !item.missing && item.damaged.empty()) continue;
            int h = 0;
            QImage img;
            if (item.thumbnail.width > 0) {
                img = QImage(item.thumbnail.rgb.data(), item.thumbnail.width, item.thumbnail.height,
                             item.thumbnail.width * 3, QImage::Format_RGB888);
                h = thumbWidth * item.thumbnail.height / item.thumbnail.width;
            }
            r.room(std::max(h, 300));
            const int top = r.y();
            if (!img.isNull()) {
                r.painter().drawImage(QRect(0, top, thumbWidth, h), img);
                drawMarks(r.painter(), item.thumbnail, QRect(0, top, thumbWidth, h));
            }
            r.text(q(item.row.filename), 10, true, thumbWidth + 40, Qt::TextWrapAnywhere);
            if (item.missing) r.text("The file is missing from the examination folder.", 10, false, thumbWidth + 40);
            if (!item.damaged.empty())
                r.text(q("The file is damaged and cannot be read: " + item.damaged), 10, true, thumbWidth + 40);
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
            const QString name = q(item.row.filename + (item.missing ? " (missing)" : item.damaged.empty() ? "" : " (damaged)"));
            // The row is as tall as its tallest cell: a long file name wraps
            // too, whether or not the row has a result.
            const QRect b = r.painter().boundingRect(QRect(c3, 0, r.width() - c3, 10000), Qt::TextWordWrap, res);
            const QRect n = r.painter().boundingRect(QRect(c2, 0, c3 - c2 - 20, 10000), Qt::TextWrapAnywhere, name);
            const int h = std::max({45, b.height(), n.height()});
            r.room(h);
            y = r.y();
            r.painter().drawText(0, y, c1, h, 0, q(item.row.id));
            r.painter().drawText(c1, y, c2 - c1, h, 0, q(item.row.created));
            r.painter().drawText(QRect(c2, y, c3 - c2 - 20, h), Qt::TextWrapAnywhere, name);
            r.painter().drawText(QRect(c3, y, r.width() - c3, h), Qt::TextWordWrap, res);
            r.setY(y + h + 8);
        }
        if (report.items.empty()) r.text("No results are filed under this examination.");
        if (report.assessment.hasPattern()) paintAssessmentPage(r, report);
    }
    // Subject names and results: the user's only, wherever it is written.
    return writeFileAtomically(path, bytes.constData(), static_cast<size_t>(bytes.size()), kPrivateFileMode);
}

}  // namespace ordavia
