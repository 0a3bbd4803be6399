#pragma once
// The examination's assessment in the Examinations window: one row per
// finger with its figures and pattern, and the examination's pattern in
// words beneath.
#include <cstdint>

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace ordavia {

class CSubjectDatabase;
struct ExamAssessmentSummary;

class FingerGridView : public QWidget {
    Q_OBJECT
public:
    explicit FingerGridView(QWidget* parent = nullptr);
    // Reads the examination's assessments; a negative id empties the grid.
    void showExam(CSubjectDatabase& db, int64_t examId);
    void showSummary(const ExamAssessmentSummary& s);

signals:
    // A finger's row double-clicked: open its picture and its assessment.
    void fingerOpened(const QString& finger);

private:
    QTreeWidget* grid_ = nullptr;
    QLabel* pattern_ = nullptr;
};

}  // namespace ordavia
