#pragma once
// The first-start welcome: what the workstation is for and the three things
// to do first (open a picture, open a video, choose a subject). Each button
// does its thing; Close leaves the empty workstation, and the dialog can be
// asked not to come back.
#include <QDialog>

class QCheckBox;

namespace ordavia {

class WelcomeDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { kClose = 0, kOpenPicture, kOpenVideo, kChooseSubject };
    // hasDatabase: whether a data folder was chosen (subjects need one).
    WelcomeDialog(bool hasDatabase, QWidget* parent = nullptr);
    Choice choice() const { return choice_; }
    bool showAgain() const;

    static constexpr const char* kTitle = "Welcome to Ordavia";

private:
    Choice choice_ = kClose;
    QCheckBox* again_ = nullptr;
};

}  // namespace ordavia
