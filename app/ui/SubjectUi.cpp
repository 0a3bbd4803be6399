#include "app/ui/SubjectUi.h"
#include "app/FrameCommands.h"
#include "app/ui/FrameWindows.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/CBasicApp.h"
#include "app/ui/DicomUi.h"
#include "app/ui/ExamReportUi.h"
#include "app/ui/FingerGridView.h"
#include "measure/ui/AssessmentWindow.h"
#include "measure/ZBasicDoc.h"
#include "db/AssessmentStore.h"
#include "app/ui/MainFrame.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "framework/AppServices.h"
#include "measure/ExamAssessment.h"

namespace ordavia {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }
}  // namespace

SelectSubjectDialog::SelectSubjectDialog(SelectSubjectModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("Select Subject");
    idBox_ = new QComboBox;
    idBox_->setEditable(true);
    idBox_->setInsertPolicy(QComboBox::NoInsert);
    idBox_->lineEdit()->setMaxLength(static_cast<int>(kSubjectIdLimit));
    idBox_->setMinimumWidth(220);
    name_ = new QLineEdit;
    surname_ = new QLineEdit;
    comment_ = new QLineEdit;
    selected_ = new QLineEdit;
    selected_->setReadOnly(true);
    info_ = new QPlainTextEdit;
    info_->setReadOnly(true);
    info_->setMaximumHeight(110);

    auto* form = new QFormLayout;
    form->addRow("Subject ID", idBox_);
    form->addRow("Selected", selected_);
    form->addRow("Name", name_);
    form->addRow("Surname", surname_);
    form->addRow("Comment", comment_);

    auto* add = new QPushButton("Add as new ID");
    auto* save = new QPushButton("Save / Update Details");
    auto* start = new QPushButton("Start New Examination");
    auto* view = new QPushButton("View Examinations");
    auto* cancel = new QPushButton("Cancel");
    auto* buttons = new QVBoxLayout;
    // Enter in a field must not add a subject or end the dialog behind the
    // user's back: no button is the default.
    for (QPushButton* b : {add, save, start, view, cancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();

    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(info_);

    connect(idBox_, &QComboBox::editTextChanged, this, [this](const QString& t) {
        if (filling_) return;
        model_.typeId(s(t));
        showModel();
    });
    // By text: typing refills the list, so an index may name another id.
    connect(idBox_, &QComboBox::textActivated, this, [this](const QString& t) {
        if (filling_) return;
        model_.pickId(s(t));
        showModel();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        takeFields();
        model_.addNewId();
        showModel();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        takeFields();
        model_.saveDetails();
        showModel();
    });
    connect(start, &QPushButton::clicked, this, [this] {
        end_ = SubjectDialogEnd::StartNewExamination;
        accept();
    });
    connect(view, &QPushButton::clicked, this, [this] {
        end_ = SubjectDialogEnd::ViewExaminations;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showModel();
}

void SelectSubjectDialog::takeFields() {
    model_.id = s(idBox_->currentText());
    model_.name = s(name_->text());
    model_.surname = s(surname_->text());
    model_.comment = s(comment_->text());
}

void SelectSubjectDialog::showModel() {
    filling_ = true;
    const QString typed = q(model_.id);
    idBox_->clear();
    for (const std::string& id : model_.ids()) idBox_->addItem(q(id));
    idBox_->setEditText(typed);
    name_->setText(q(model_.name));
    surname_->setText(q(model_.surname));
    comment_->setText(q(model_.comment));
    selected_->setText(q(model_.selectedId()));
    QString info = q(model_.info());
    info.remove('\r');
    info_->setPlainText(info);
    filling_ = false;
}

NewExamDialog::NewExamDialog(NewExamModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("New Exam Measurement site");
    // Fingers 2-5 of each hand offered, any other site typed.
    site_ = new QComboBox;
    site_->setEditable(true);
    site_->setObjectName("site");
    for (const std::string& choice : siteChoices()) site_->addItem(q(choice));
    site_->setEditText(q(model.site));
    comment_ = new QLineEdit(q(model.comment));
    site_->setMinimumWidth(260);
    auto* form = new QFormLayout;
    form->addRow(new QLabel(q(model.heading)));
    form->addRow("Measurement Site", site_);
    form->addRow("comment", comment_);
    auto* box = new QDialogButtonBox;
    box->addButton("Start", QDialogButtonBox::AcceptRole);
    box->addButton("Cancel", QDialogButtonBox::RejectRole);
    form->addRow(box);
    setLayout(form);
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        model_.site = s(site_->currentText());
        model_.comment = s(comment_->text());
        accept();
    });
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ExaminationsWindow::ExaminationsWindow(CBasicApp& app, SubjectWorkflow& workflow, QWidget* parent)
    : QDialog(parent), app_(app), workflow_(workflow) {
    setWindowTitle("Examinations");
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    AppServices& sv = app.services();
    model_ = std::make_unique<ExaminationsModel>(CSubjectDatabase::in(sv), sv.profile(), sv.prompter());
    heading_ = new QLabel;
    QFont f = heading_->font();
    f.setBold(true);
    heading_->setFont(f);
    exams_ = new QTreeWidget;
    results_ = new QTreeWidget;
    QStringList examCols, resultCols;
    for (const char* c : ExaminationsModel::kExamColumns) examCols << c;
    for (const char* c : ExaminationsModel::kResultColumns) resultCols << c;
    for (QTreeWidget* t : {exams_, results_}) {
        t->setRootIsDecorated(false);
        t->setUniformRowHeights(true);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    exams_->setHeaderLabels(examCols);
    results_->setHeaderLabels(resultCols);
    report_ = new QPushButton("Export examination report...");
    dicom_ = new QPushButton("Export to DICOM...");
    pacs_ = new QPushButton("Send to PACS...");
    auto* all = new QVBoxLayout(this);
    all->addWidget(heading_);
    all->addWidget(exams_, 2);
    all->addWidget(results_, 3);
    fingers_ = new FingerGridView;
    all->addWidget(fingers_, 3);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(report_);
    row->addWidget(dicom_);
    row->addWidget(pacs_);
    all->addLayout(row);
    resize(760, 680);

    connect(exams_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* it) {
        if (filling_ || !it) return;
        model_->selectExam(static_cast<size_t>(exams_->indexOfTopLevelItem(it)));
        showResults();
        emit examinationChosen();
    });
    connect(results_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it) {
        const std::string path = model_->resultPath(static_cast<size_t>(results_->indexOfTopLevelItem(it)));
        workflow_.openResult(path);
    });
    connect(fingers_, &FingerGridView::fingerOpened, this, [this](const QString& f) { openAssessment(f.toStdString()); });
    connect(report_, &QPushButton::clicked, this, &ExaminationsWindow::exportReport);
    connect(dicom_, &QPushButton::clicked, this, [this] {
        if (model_->currentRow() >= 0)
            exportExaminationToDicom(app_, model_->exams()[static_cast<size_t>(model_->currentRow())].id, this);
    });
    connect(pacs_, &QPushButton::clicked, this, [this] {
        if (model_->currentRow() >= 0)
            sendExaminationToPacs(app_, model_->exams()[static_cast<size_t>(model_->currentRow())].id, this);
    });
    refresh();
}

ExaminationsWindow::~ExaminationsWindow() = default;

void ExaminationsWindow::refresh() {
    model_->fill();
    showExams();
    showResults();
}

void ExaminationsWindow::showExams() {
    filling_ = true;
    heading_->setText(q(model_->heading()));
    exams_->clear();
    for (const ExamRecord& e : model_->exams())
        exams_->addTopLevelItem(
            new QTreeWidgetItem(QStringList{QString::number(e.id), q(e.site), q(e.created), q(e.comment), q(e.folder)}));
    // The first three columns fit their content; the last two their content
    // or heading, whichever is wider (Qt's own rule for both).
    for (int c = 0; c < 5; ++c) exams_->resizeColumnToContents(c);
    if (model_->currentRow() >= 0) {
        QTreeWidgetItem* it = exams_->topLevelItem(model_->currentRow());
        exams_->setCurrentItem(it);
        exams_->scrollToItem(it);
    }
    filling_ = false;
}

void ExaminationsWindow::showResults() {
    results_->clear();
    for (const StoredResult& r : model_->results())
        results_->addTopLevelItem(new QTreeWidgetItem(QStringList{q(r.id), q(r.created), q(r.filename), q(r.result)}));
    for (int c = 0; c < 4; ++c) results_->resizeColumnToContents(c);
    report_->setEnabled(model_->currentRow() >= 0);
    dicom_->setEnabled(model_->currentRow() >= 0);
    pacs_->setEnabled(model_->currentRow() >= 0);
    const int row = model_->currentRow();
    fingers_->showExam(CSubjectDatabase::in(app_.services()),
                       row >= 0 ? model_->exams()[static_cast<size_t>(row)].id : -1);
}

void ExaminationsWindow::openAssessment(const std::string& finger) {
    const int row = model_->currentRow();
    if (row < 0) return;
    CSubjectDatabase& db = CSubjectDatabase::in(app_.services());
    const auto filed = listAssessments(db.handle(), model_->exams()[static_cast<size_t>(row)].id);
    if (!filed) return db.reportFailure(filed.status(), app_.services().prompter());
    // The finger's last filed picture.
    const StoredAssessment* last = nullptr;
    for (const StoredAssessment& a : *filed)
        if (a.finger == finger || fingerLabel(a.finger) == finger) last = &a;
    if (!last) return;
    const std::string path = model_->examFilePath(last->filename);
    if (path.empty()) return;
    // A picture opens as an imported image: the document is the last one
    // open on that file.
    (void)workflow_.openResult(path);
    ZBasicDoc* doc = nullptr;
    for (const auto& d : app_.documents())
        if (auto* z = dynamic_cast<ZBasicDoc*>(d.get()); z && (z->GetPathName() == path || z->imageFileName() == path))
            doc = z;
    if (!doc) return;
    QWidget* view = doc->views().empty() ? nullptr : dynamic_cast<QWidget*>(doc->views().front());
    if (view) reopenFiledAssessment(*doc, view, last->findings);
}

void ExaminationsWindow::exportReport() {
    if (model_->currentRow() < 0) return;
    exportExaminationReport(app_, model_->exams()[static_cast<size_t>(model_->currentRow())].id, this);
}

SubjectUi::SubjectUi(CBasicApp& app, MainFrame& frame)
    : QObject(&frame), app_(app), frame_(frame), workflow_(app, *this) {
    selection_ = new QLabel;
    selection_->setObjectName("subjectSelection");
    frame.statusBar()->addPermanentWidget(selection_);
    updateSelectionLabel();
}

SubjectUi::~SubjectUi() = default;

void SubjectUi::updateSelectionLabel() {
    const AppServices& sv = app_.services();
    const CSubjectDatabase* db = CSubjectDatabase::of(sv);
    const std::string text = db ? selectionSummary(*db) : std::string();
    selection_->setText(text.empty() ? QString("No subject") : q(text));
    frame_.setWindowTitle(text.empty() ? QString(CBasicApp::kTitle) : q(std::string(CBasicApp::kTitle) + " - " + text));
}

SubjectDialogEnd SubjectUi::runSelectSubject(SelectSubjectModel& model) {
    SelectSubjectDialog d(model, &frame_);
    if (d.exec() != QDialog::Accepted) return SubjectDialogEnd::Cancel;
    return d.end();
}

bool SubjectUi::runNewExam(NewExamModel& model) {
    NewExamDialog d(model, &frame_);
    return d.exec() == QDialog::Accepted;
}

void SubjectUi::showExaminations() {
    if (!exams_) {
        exams_ = new ExaminationsWindow(app_, workflow_, &frame_);
        connect(exams_, &ExaminationsWindow::examinationChosen, this, [this] {
            applyRecordingSettings();
            selectionChanged();
        });
        exams_->show();
    } else {
        exams_->refresh();
        exams_->raise();
    }
}

bool SubjectUi::examinationsOpen() const { return !exams_.isNull(); }

void SubjectUi::closeExaminations() {
    if (exams_) exams_->close();
}

void SubjectUi::closeLiveVideo() { frame_.closeLiveVideo(); }
void SubjectUi::applyExpertMode() { frame_.applyExpertMode(); }

void SubjectUi::closeAllDocuments() { frame_.mdiArea()->closeAllSubWindows(); }

void SubjectUi::startLiveVideo() {
    frame_.commands().liveVideo();
    frame_.postCommand("Start");
}

void SubjectUi::applyRecordingSettings() {
    if (frame_.recordBar()) frame_.recordBar()->applyRecordingSettings();
}

void SubjectUi::selectionChanged() { updateSelectionLabel(); }

void SubjectUi::postCommand(const std::string& command) { frame_.postCommand(command); }

void SubjectUi::tileWindows() { frame_.tileWindows(); }

}  // namespace ordavia
