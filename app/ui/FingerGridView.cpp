#include "app/ui/FingerGridView.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "measure/ExamAssessment.h"

namespace ordavia {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

FingerGridView::FingerGridView(QWidget* parent) : QWidget(parent) {
    grid_ = new QTreeWidget;
    grid_->setObjectName("fingerGrid");
    grid_->setRootIsDecorated(false);
    grid_->setUniformRowHeights(true);
    // The finger's answer first, its figures after it.
    QStringList cols{"finger", "pattern"};
    const MeasureValues names(fingerMeasures());
    for (const Measure& m : fingerMeasures().measures) cols << q(names.heading(m));
    cols << "corrected by hand";
    grid_->setHeaderLabels(cols);
    grid_->setToolTip("Double-click a finger to open its picture and review its assessment");
    connect(grid_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* it) { if (it) emit fingerOpened(it->text(0)); });
    pattern_ = new QLabel;
    pattern_->setObjectName("examPattern");
    pattern_->setWordWrap(true);
    QFont f = pattern_->font();
    f.setBold(true);
    pattern_->setFont(f);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(grid_);
    all->addWidget(pattern_);
}

void FingerGridView::showExam(CSubjectDatabase& db, int64_t examId) {
    if (!db.isOpen() || examId < 0) return showSummary(ExamAssessmentSummary{});
    const auto rows = listAssessments(db.handle(), examId);
    if (!rows) {
        grid_->clear();
        pattern_->setText(q("The assessments could not be read: " + rows.reason()));
        return;
    }
    showSummary(summariseExamination(*rows));
}

void FingerGridView::showSummary(const ExamAssessmentSummary& s) {
    grid_->clear();
    for (const FingerSummary& f : s.fingers) {
        QStringList cells{q(f.finger), q(fingerPatternCell(f))};
        for (const Measure& m : fingerMeasures().measures) cells << q(f.figures.number(m.key));
        cells << q(figureHeadings(f.byHand));
        auto* item = new QTreeWidgetItem(cells);
        item->setToolTip(1, q(fingerPatternWords(f)));
        grid_->addTopLevelItem(item);
    }
    for (int c = 0; c < grid_->columnCount(); ++c) grid_->resizeColumnToContents(c);
    pattern_->setText(q(examPatternWords(s)));
}

}  // namespace ordavia
