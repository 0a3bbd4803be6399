#pragma once
// Printing an image document: header lines naming the file, the picture,
// the capture and print times and the scales, then the picture with its
// overlays (the same painting as on screen), then the notes.
#include <ctime>
#include <string>
#include <vector>

class QImage;
class QPrinter;
class QWidget;
class ZBasicDoc;

namespace ordavia {

// The header lines above the picture; the print scale is in units per
// centimetre of paper in x and y.
std::vector<std::string> printHeaderLines(const ZBasicDoc& doc, double printScaleX, double printScaleY,
                                          std::time_t printed);
// Paints the document on the printer's pages.
void printImageDocument(QPrinter* printer, const ZBasicDoc& doc, const QImage& picture);
// "&Print...": the print dialog, then the pages.
void printImageDocumentWithDialog(const ZBasicDoc& doc, const QImage& picture, QWidget* parent);
// "Print Pre&view".
void previewImageDocument(const ZBasicDoc& doc, const QImage& picture, QWidget* parent);

}  // namespace ordavia
