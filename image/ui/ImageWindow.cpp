#include "image/ui/ImageWindow.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "base/Paths.h"
#include "base/ui/CommandTable.h"
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
    // Palettes apply to grey pictures only.
    const auto grey = [this] { return image_->colour() == CZVimage::kGrey; };
    CommandTable table;
    for (int i = 0; i < CZVimage::kPaletteCount; ++i)
        table.push_back({.text = paletteMenuText(i),
                         .run = [this, i] { setPalette(i); },
                         .radio = "palette",
                         .enabled = grey,
                         .checked = [this, i] { return image_->paletteIndex() == i; }});
    table.push_back(separator());
    table.push_back({.text = "&zero as black",
                     .run = [this] { setZeroAsBlack(!image_->zeroAsBlack()); },
                     .checkable = true,
                     .enabled = grey,
                     .checked = [this] { return image_->zeroAsBlack(); }});
    table.push_back({.text = "&Auto contrast",
                     .run = [this] { toggleAutoContrast(); },
                     .checkable = true,
                     .enabled = grey,
                     .checked = [this] { return image_->autoContrast(); }});
    table.push_back(separator());
    table.push_back({.text = "&Zoom In", .run = [this] { zoomIn(); }, .shortcut = QKeySequence::ZoomIn});
    table.push_back({.text = "&Zoom out", .run = [this] { zoomOut(); }, .shortcut = QKeySequence::ZoomOut});
    // One menu for the window's life: the window holds its actions, so the
    // zoom keys work whether or not the menu is open.
    menu_ = new QMenu(this);
    addCommands(menu_, this, table);
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
    refresh();
}

void ImageWindow::setZeroAsBlack(bool on) {
    image_->setZeroAsBlack(on);
    refresh();
}

void ImageWindow::toggleAutoContrast() {
    // A window of its own has no profile: it keeps the fraction it has.
    image_->toggleAutoContrast(image_->adjustSize());
    image_->dropDisplayHeader();
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

void ImageWindow::contextMenuEvent(QContextMenuEvent* event) { menu_->exec(event->globalPos()); }

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
