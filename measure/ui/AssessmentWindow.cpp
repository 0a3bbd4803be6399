#include "measure/ui/AssessmentWindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "figures/MeasureValues.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/ui/ImageToQImage.h"
#include "measure/AssessmentFigures.h"
#include "measure/AssessmentFiling.h"
#include "measure/AssessmentRecord.h"
#include "measure/AssessmentReview.h"
#include "measure/ExamAssessment.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/AssessmentCanvas.h"
#include "results/ResultTables.h"

namespace ordavia {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

struct ToolChoice {
    ReviewTool tool;
    const char* text;
};
const ToolChoice kTools[] = {
    {ReviewTool::kCapillary, "Add / remove capillary"},
    {ReviewTool::kGiant, "Giant / not giant"},
    {ReviewTool::kAbnormal, "Abnormal / normal shape"},
    {ReviewTool::kHaemorrhage, "Mark / unmark haemorrhage"},
};

// The finger the picture is most likely of: the one its file name names,
// else the next one the current examination still lacks.
std::string defaultFinger(ZBasicDoc& doc) {
    const std::string file = doc.GetPathName().empty() ? doc.imageFileName() : doc.GetPathName();
    if (std::string named = fingerInFileName(file); !named.empty()) return named;
    CSubjectDatabase* db = CSubjectDatabase::of(doc.services());
    if (!db || !db->isOpen() || db->currentExamId() < 0) return examFingers().front();
    const auto exam = readExam(db->handle(), db->currentExamId());
    const auto done = listAssessments(db->handle(), db->currentExamId());
    return nextFinger(exam && *exam ? (*exam)->site : std::string(), done ? *done : std::vector<StoredAssessment>{});
}

}  // namespace

CommandTable assessmentCommands(ZBasicDoc* doc, QWidget* view) {
    return {separator(), {.text = kAssessCommand, .run = [doc, view] {
        if (doc->image().isEmpty()) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        auto a = assessPicture(doc->image(), assessOptionsOf(*doc));
        QApplication::restoreOverrideCursor();
        if (!a) {
            doc->services().prompter().messageBox("The picture cannot be assessed: " + a.reason(), MsgButtons::Ok,
                                                  MsgIcon::Warning);
            return;
        }
        a->finger = defaultFinger(*doc);
        // Owned by the view: the review closes with its picture.
        auto* w = new AssessmentWindow(*doc, std::make_unique<AssessmentReview>(std::move(*a)), view);
        w->show();
    }}};
}

bool reopenFiledAssessment(ZBasicDoc& doc, QWidget* view, const std::string& record) {
    Prompter& prompter = doc.services().prompter();
    const Result<CapillaryAssessment> filed = readAssessmentRecord(record);
    if (!filed) {
        prompter.messageBox("The filed assessment cannot be read: " + filed.reason(), MsgButtons::Ok, MsgIcon::Warning,
                            kAssessWindowTitle);
        return false;
    }
    // The automatic reference on the row and scale the assessment was filed with.
    AssessOptions o = assessOptionsOf(doc);
    if (filed->calibrated) o.umPerPixel = filed->umPerPixel;
    if (!filed->lineAutomatic) {
        o.lineFrom = filed->lineFrom;
        o.lineTo = filed->lineTo;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto automatic = assessPicture(doc.image(), o);
    QApplication::restoreOverrideCursor();
    if (!automatic) {
        prompter.messageBox("The picture cannot be assessed: " + automatic.reason(), MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    automatic->finger = filed->finger;
    auto* w = new AssessmentWindow(doc, std::make_unique<AssessmentReview>(std::move(*automatic), *filed), view);
    w->markFiled();
    w->show();
    return true;
}

AssessmentWindow::AssessmentWindow(ZBasicDoc& doc, std::unique_ptr<AssessmentReview> review, QWidget* parent)
    : QDialog(parent), doc_(doc), review_(std::move(review)) {
    setWindowTitle(kAssessWindowTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    canvas_ = new AssessmentCanvas(imageToQImage(doc.image()), review_->assessment(), this);
    canvas_->clicked = [this](double x, double y) {
        review_->click(kTools[tools_->checkedId()].tool, x, y);
    };

    finger_ = new QComboBox;
    finger_->setObjectName("finger");
    finger_->setEditable(true);
    for (const std::string& f : examFingers()) finger_->addItem(q(f));
    finger_->setEditText(q(review_->assessment().finger));
    connect(finger_, &QComboBox::currentTextChanged, this,
            [this](const QString& t) { review_->setFinger(fingerLabel(t.toStdString()).empty() ? t.trimmed().toStdString()
                                                                                               : fingerLabel(t.toStdString())); });

    auto* toolBox = new QGroupBox("Click on the picture to");
    auto* toolLayout = new QVBoxLayout(toolBox);
    tools_ = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(kTools[i].text);
        tools_->addButton(b, i);
        toolLayout->addWidget(b);
    }
    tools_->button(0)->setChecked(true);

    undo_ = new QPushButton("&Undo");
    redo_ = new QPushButton("&Redo");
    file_ = new QPushButton(kFileAssessment);
    file_->setObjectName("fileAssessment");
    connect(undo_, &QPushButton::clicked, this, [this] { review_->undo(); });
    connect(redo_, &QPushButton::clicked, this, [this] { review_->redo(); });
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, [this] { review_->undo(); });
    connect(new QShortcut(QKeySequence::Redo, this), &QShortcut::activated, this, [this] { review_->redo(); });
    connect(file_, &QPushButton::clicked, this, [this] { fileUnderExamination(); });

    pattern_ = new QLabel;
    pattern_->setObjectName("pattern");
    QFont bold = pattern_->font();
    bold.setBold(true);
    pattern_->setFont(bold);
    figures_ = new QLabel;
    figures_->setObjectName("figures");
    warnings_ = new QLabel;
    byHand_ = new QLabel;
    for (QLabel* l : {pattern_, figures_, warnings_, byHand_}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto* side = new QVBoxLayout;
    auto* form = new QFormLayout;
    form->addRow("Finger", finger_);
    side->addLayout(form);
    side->addWidget(pattern_);
    side->addWidget(figures_);
    side->addWidget(warnings_);
    side->addWidget(byHand_);
    side->addSpacing(8);
    side->addWidget(toolBox);
    auto* undoRow = new QHBoxLayout;
    undoRow->addWidget(undo_);
    undoRow->addWidget(redo_);
    side->addLayout(undoRow);
    side->addStretch();
    side->addWidget(file_);
    auto* panel = new QWidget;
    panel->setLayout(side);
    panel->setFixedWidth(300);
    auto* all = new QHBoxLayout(this);
    all->addWidget(canvas_, 1);
    all->addWidget(panel);

    review_->changed = [this] { refresh(); };
    review_->undoStack().setOnChanged([this] { refresh(); });
    refresh();
    resize(1100, 700);
}

AssessmentWindow::~AssessmentWindow() = default;

void AssessmentWindow::refresh() {
    const CapillaryAssessment& a = review_->assessment();
    const int phase = static_cast<int>(a.phase);
    pattern_->setText(q(patternWords(a.scleroderma, a.rule, phase) + (a.patternTrusted ? "" : kPatternNotTrusted)));
    std::string lines;
    for (const std::string& l : assessmentFigures(a).reportLines()) lines += l + "\n";
    figures_->setText(q(lines));
    std::string warn;
    for (const std::string& w : a.warnings) warn += (warn.empty() ? "Warnings: " : ", ") + w;
    const std::string untrusted = untrustedFiguresLine(a);
    if (!untrusted.empty()) warn += (warn.empty() ? "" : "\n") + untrusted;
    warnings_->setText(q(warn));
    const std::string hand = figureHeadings(review_->handCorrected());
    byHand_->setText(hand.empty() ? QString() : q("Corrected by hand: " + hand));
    const UndoStack& u = review_->undoStack();
    undo_->setEnabled(u.canUndo());
    redo_->setEnabled(u.canRedo());
    undo_->setToolTip(q(u.undoText()));
    redo_->setToolTip(q(u.redoText()));
    // "(filed)" only while what is shown is what was filed.
    file_->setText(QString(kFileAssessment) + (filed_ && u.isClean() ? " (filed)" : ""));
    canvas_->update();
}

void AssessmentWindow::markFiled() {
    filed_ = true;
    review_->undoStack().setClean();
    refresh();
}

bool AssessmentWindow::fileUnderExamination() {
    Prompter& prompter = doc_.services().prompter();
    CSubjectDatabase* db = CSubjectDatabase::of(doc_.services());
    if (!db || !db->isOpen() || db->currentExamId() < 0) {
        prompter.messageBox("Select a subject and an examination first: the assessment is filed under the current "
                            "examination.",
                            MsgButtons::Ok, MsgIcon::Warning, kAssessWindowTitle);
        return false;
    }
    // A document saved as such is filed by its name; a picture opened as
    // it is, by the picture's file.
    const std::string file = doc_.GetPathName().empty() ? doc_.imageFileName() : doc_.GetPathName();
    if (file.empty()) {
        prompter.messageBox("Save the picture in the examination first: the assessment is filed with its file name.",
                            MsgButtons::Ok, MsgIcon::Warning, kAssessWindowTitle);
        return false;
    }
    // A picture from elsewhere is copied into the examination's folder,
    // where the report finds it.
    const Result<std::string> placed = placeInExamFolder(*db, db->currentExamId(), file);
    const Status s = !placed ? placed.status()
                             : fileAssessmentUnderExam(*db, db->currentExamId(), *placed, review_->assessment(),
                                                       review_->handCorrected(), ResultTables::of(doc_.services()));
    if (!s) {
        prompter.messageBox("The assessment could not be filed: " + s.reason(), MsgButtons::Ok, MsgIcon::Error,
                            kAssessWindowTitle);
        return false;
    }
    markFiled();
    return true;
}

}  // namespace ordavia
