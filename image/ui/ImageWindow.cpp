#include "image/ui/ImageWindow.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "base/Paths.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "image/Palette.h"
#include "image/ui/ImageToQImage.h"

namespace ordavia {

namespace {
// Zoom steps as ratios, from 1/8 up to 16/1.
constexpr int kMaxZoom = 16;
constexpr int kMinZoomDen = 8;
}  // namespace

ImageWindow::ImageWindow(std::unique_ptr<CZVimage> image, QWidget* parent)
    : QWidget(parent), image_(image ? std::move(image) : std::make_unique<CZVimage>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    picture_ = new QLabel;
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll_->setWidget(picture_);
    scroll_->setBackgroundRole(QPalette::Dark);
    layout->addWidget(scroll_);
    buildActions();
    refresh();
}

ImageWindow::~ImageWindow() = default;

void ImageWindow::buildActions() {
    paletteGroup_ = new QActionGroup(this);
    paletteGroup_->setExclusive(true);
    for (int i = 0; i < CZVimage::kPaletteCount; ++i) {
        QAction* a = paletteGroup_->addAction(QString::fromUtf8(paletteMenuText(i)));
        a->setCheckable(true);
        a->setData(i);
        connect(a, &QAction::triggered, this, [this, i] { setPalette(i); });
    }
    zeroAction_ = new QAction(tr("&zero as black"), this);
    zeroAction_->setCheckable(true);
    connect(zeroAction_, &QAction::triggered, this, &ImageWindow::setZeroAsBlack);
    autoAction_ = new QAction(tr("&Auto contrast"), this);
    autoAction_->setCheckable(true);
    connect(autoAction_, &QAction::triggered, this, [this] { toggleAutoContrast(); });
    zoomInAction_ = new QAction(tr("&Zoom In"), this);
    zoomInAction_->setShortcut(QKeySequence::ZoomIn);
    connect(zoomInAction_, &QAction::triggered, this, &ImageWindow::zoomIn);
    zoomOutAction_ = new QAction(tr("&Zoom out"), this);
    zoomOutAction_->setShortcut(QKeySequence::ZoomOut);
    connect(zoomOutAction_, &QAction::triggered, this, &ImageWindow::zoomOut);
    addActions(paletteGroup_->actions());
    addAction(zeroAction_);
    addAction(autoAction_);
    addAction(zoomInAction_);
    addAction(zoomOutAction_);
    syncActions();
}

void ImageWindow::syncActions() {
    const auto actions = paletteGroup_->actions();
    const int index = image_->paletteIndex();
    if (index >= 0 && index < actions.size()) actions[index]->setChecked(true);
    zeroAction_->setChecked(image_->zeroAsBlack());
    autoAction_->setChecked(image_->autoContrast());
    // Palettes apply to grey pictures only.
    const bool grey = image_->colour() == CZVimage::kGrey;
    paletteGroup_->setEnabled(grey);
    zeroAction_->setEnabled(grey);
    autoAction_->setEnabled(grey);
}

QSize ImageWindow::pictureSize() const { return picture_->size(); }

void ImageWindow::refresh() {
    const QImage img = imageToQImage(*image_);
    if (img.isNull()) {
        picture_->clear();
        picture_->resize(0, 0);
        return;
    }
    const QSize size(img.width() * zoomNum_ / zoomDen_, img.height() * zoomNum_ / zoomDen_);
    // Nearest-pixel scaling: researchers look at single pixels.
    const QImage shown = (zoomNum_ == zoomDen_) ? img : img.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    picture_->setPixmap(QPixmap::fromImage(shown));
    picture_->resize(shown.size());
}

void ImageWindow::setPalette(int index) {
    image_->setPalette(index);
    syncActions();
    refresh();
}

void ImageWindow::setZeroAsBlack(bool on) {
    image_->setZeroAsBlack(on);
    syncActions();
    refresh();
}

void ImageWindow::toggleAutoContrast() {
    // A window of its own has no profile: it keeps the fraction it has.
    image_->toggleAutoContrast(image_->adjustSize());
    image_->dropDisplayHeader();
    syncActions();
    refresh();
}

void ImageWindow::zoomIn() {
    if (zoomDen_ > 1)
        --zoomDen_;
    else if (zoomNum_ < kMaxZoom)
        ++zoomNum_;
    refresh();
}

void ImageWindow::zoomOut() {
    if (zoomNum_ > 1)
        --zoomNum_;
    else if (zoomDen_ < kMinZoomDen)
        ++zoomDen_;
    refresh();
}

void ImageWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addActions(paletteGroup_->actions());
    menu.addSeparator();
    menu.addAction(zeroAction_);
    menu.addAction(autoAction_);
    menu.addSeparator();
    menu.addAction(zoomInAction_);
    menu.addAction(zoomOutAction_);
    menu.exec(event->globalPos());
}

QWidget* openImageWindow(const std::string& path, const ordavia::GreyWeights& weights, std::string* error,
                         QWidget* parent) {
    auto image = std::make_unique<CZVimage>();
    // Shown as it is: colour pictures in colour.
    if (const Status s = loadPictureAsIs(path, *image, weights); !s) {
        if (error) *error = "Could not load image: " + s.reason();
        return nullptr;
    }
    auto* w = new ImageWindow(std::move(image), parent);
    w->setWindowTitle(QString::fromStdString(fileNameOf(path)));
    return w;
}

}  // namespace ordavia
