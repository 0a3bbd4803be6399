#pragma once
// The frame's small windows: the floating status window (subject and
// examination, camera, recorder and Doppler monitor at a glance) and the
// record bar (recording folder, base name, save, record and trigger).
#include <QLabel>
#include <QToolBar>
#include <QWidget>
#include <functional>

class QLineEdit;
class ProfileStore;

namespace ordavia {

class StatusWindow : public QWidget {
    Q_OBJECT
public:
    explicit StatusWindow(QWidget* parent = nullptr);
    // One line per subject; refreshed by the frame's timer.
    void setLines(const QStringList& lines);
    QStringList lines() const;

private:
    QLabel* text_ = nullptr;
};

class RecordBar : public QToolBar {
    Q_OBJECT
public:
    // The three commands come from the frame (they carry its shortcuts).
    RecordBar(ProfileStore& profile, QAction* saveImage, QAction* record, QAction* trigger, QWidget* parent = nullptr);
    // Shows the recording folder and base name of the profile
    // ("directories"/"recorddir", "basename").
    void applyRecordingSettings();
    QString folder() const;
    QString baseName() const;
    // Asked for a folder by the folder button; empty keeps the old one.
    std::function<QString(const QString& current)> chooseFolder;

private:
    void pickFolder();
    ProfileStore& profile_;
    QLabel* folder_ = nullptr;
    QLineEdit* base_ = nullptr;
};

}  // namespace ordavia
