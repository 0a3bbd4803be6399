#include "app/ui/FrameWindows.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/ui/FrameIcons.h"
#include "settings/ProfileStore.h"

namespace ordavia {

StatusWindow::StatusWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("StatusWindow");
    setWindowTitle("Status");
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(10, 8, 10, 8);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(220);
    l->addWidget(text_);
}

void StatusWindow::setLines(const QStringList& lines) {
    const QString t = lines.join('\n');
    if (t == text_->text()) return;
    text_->setText(t);
    adjustSize();
}

QStringList StatusWindow::lines() const { return text_->text().split('\n'); }

RecordBar::RecordBar(ProfileStore& profile, QAction* saveImage, QAction* record, QAction* trigger, QWidget* parent)
    : QToolBar("Record bar", parent), profile_(profile) {
    setObjectName("RecordBar");
    setIconSize(QSize(24, 24));
    setAllowedAreas(Qt::AllToolBarAreas);
    QAction* folderButton = addAction(frameIcon("folder"), "Recording folder...");
    folderButton->setToolTip("Choose the folder recordings and saved pictures go to");
    connect(folderButton, &QAction::triggered, this, &RecordBar::pickFolder);
    folder_ = new QLabel(this);
    folder_->setObjectName("recordFolder");
    folder_->setMinimumWidth(160);
    folder_->setMaximumWidth(360);
    addWidget(folder_);
    addSeparator();
    addWidget(new QLabel("base filename ", this));
    base_ = new QLineEdit(this);
    base_->setObjectName("recordBaseName");
    base_->setMaximumWidth(140);
    base_->setToolTip("The start of the names of recordings and saved pictures");
    connect(base_, &QLineEdit::editingFinished, this,
            [this] { profile_.WriteString("directories", "basename", base_->text().toStdString()); });
    addWidget(base_);
    addSeparator();
    addActions({saveImage, record, trigger});
    applyRecordingSettings();
}

void RecordBar::applyRecordingSettings() {
    const QString dir = QString::fromStdString(profile_.GetString("directories", "recorddir", ""));
    folder_->setText(dir.isEmpty() ? QStringLiteral("(no recording folder)") : QFileInfo(dir).fileName().isEmpty() ? dir : QFileInfo(dir).fileName());
    folder_->setToolTip(dir);
    base_->setText(QString::fromStdString(profile_.GetString("directories", "basename", "")));
}

QString RecordBar::folder() const { return folder_->toolTip(); }
QString RecordBar::baseName() const { return base_->text(); }

void RecordBar::pickFolder() {
    if (!chooseFolder) return;
    const QString dir = chooseFolder(folder());
    if (dir.isEmpty()) return;
    profile_.WriteString("directories", "recorddir", dir.toStdString());
    applyRecordingSettings();
}

}  // namespace ordavia
