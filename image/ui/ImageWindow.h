#pragma once
// A thin window over one CZVimage: the picture in a scroll area at a zoom,
// with a context menu for the ten palettes, zero as black, auto contrast
// and zooming. It holds display state only; the image is the model.
#include <QWidget>
#include <memory>
#include <string>

class CZVimage;
class QLabel;
class QScrollArea;
class QMenu;

namespace ordavia {

struct GreyWeights;

class ImageWindow : public QWidget {
    Q_OBJECT
public:
    explicit ImageWindow(std::unique_ptr<CZVimage> image, QWidget* parent = nullptr);
    ~ImageWindow() override;

    CZVimage& image() { return *image_; }
    const CZVimage& image() const { return *image_; }
    // Zoom as numerator / denominator (1/1 shows one pixel per pixel).
    int zoomNumerator() const { return zoomNum_; }
    int zoomDenominator() const { return zoomDen_; }
    QSize pictureSize() const;

public slots:
    void setPalette(int index);
    void setZeroAsBlack(bool on);
    void toggleAutoContrast();
    void zoomIn();
    void zoomOut();
    // Re-reads the picture from the image (after its pixels changed).
    void refresh();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildActions();

    std::unique_ptr<CZVimage> image_;
    QScrollArea* scroll_ = nullptr;
    QLabel* picture_ = nullptr;
    QMenu* menu_ = nullptr;  // the palette menu, built from a command table
    int zoomNum_ = 1;
    int zoomDen_ = 1;
};

// Loads an image file (.zvg, .bmp, .tif) into a new ImageWindow titled with
// the file name, colour becoming grey with `weights`. Returns nullptr and a
// one-line error when it cannot be loaded.
QWidget* openImageWindow(const std::string& path, const GreyWeights& weights, std::string* error,
                         QWidget* parent = nullptr);

}  // namespace ordavia
