#include "app/ui/WelcomeDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/FrameIcons.h"

namespace ordavia {

WelcomeDialog::WelcomeDialog(bool hasDatabase, QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    setObjectName("WelcomeDialog");
    auto* l = new QVBoxLayout(this);
    l->setSpacing(12);
    auto* head = new QLabel("<h2>Welcome to Ordavia</h2>"
                            "<p>Ordavia measures nailfold capillaries: dimensions, widths and density on still "
                            "pictures, red-cell velocity and flow on videos, and blood velocity on Doppler "
                            "recordings. Results are filed under a subject and an examination.</p>"
                            "<p>Three things to do first:</p>",
                            this);
    head->setWordWrap(true);
    head->setMinimumWidth(460);
    l->addWidget(head);
    auto button = [&](Choice c, const char* icon, const QString& text, const QString& tip, bool enabled = true) {
        auto* b = new QPushButton(frameIcon(icon), text, this);
        b->setIconSize(QSize(32, 32));
        b->setMinimumHeight(48);
        b->setStyleSheet("text-align: left; padding-left: 10px;");
        b->setToolTip(tip);
        b->setEnabled(enabled);
        connect(b, &QPushButton::clicked, this, [this, c] {
            choice_ = c;
            accept();
        });
        l->addWidget(b);
        return b;
    };
    button(kOpenPicture, "open", "Open a picture...",
           "A capillary picture (.bmp, .tif, .jpg, .png, .zvg) or a saved image document (.cs1): measure, count, detect");
    button(kOpenVideo, "play", "Open a video...",
           "A capillary video (.dcs, .mve, .avi, .mp4 and other formats): play, correct movement, line scans, velocity");
    button(kChooseSubject, "subject", "Choose a subject...",
           hasDatabase ? "Select or add a subject and start an examination, so that results are filed under it"
                       : "Subjects need a data folder: Ordavia asks for one when it starts without a database",
           hasDatabase);
    if (!hasDatabase) {
        auto* note = new QLabel("No data folder was chosen, so subjects and examinations are not available in this "
                                "run. Pictures and videos open and measure all the same.",
                                this);
        note->setWordWrap(true);
        l->addWidget(note);
    }
    auto* row = new QHBoxLayout;
    again_ = new QCheckBox("Show this at start", this);
    again_->setChecked(false);
    row->addWidget(again_);
    row->addStretch();
    auto* close = new QPushButton("Close", this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(close);
    l->addLayout(row);
}

bool WelcomeDialog::showAgain() const { return again_->isChecked(); }

}  // namespace ordavia
