#pragma once
// The document of a still image under measurement: one picture with an
// undo copy, five dimension lists, the calibration, a target cross, an
// origin, a region of interest, a grid and notes, tied to an examination
// through CdbDocument. Its ".cs1" file holds the measurements and settings;
// the picture lives in a separate image file whose name the document keeps.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "db/CdbDocument.h"
#include "image/CZVimage.h"
#include "measure/CDimList.h"
#include "measure/Magnification.h"
#include "measure/TortuosityParams.h"

class ProfileStore;

class ZBasicDoc : public CdbDocument {
public:
    static constexpr int32_t kLayoutVersion = 10;
    static constexpr int kListCount = 5;
    static constexpr int kDustList = 4;

    // Message texts.
    static constexpr const char* kCouldNotLoad = "Could not load image";
    static constexpr const char* kErrorSaving = "Error saving image.";
    static constexpr const char* kCannotFind = "Cannot find image file %1.\nPlease specify new location.";
    static constexpr const char* kImageFilter =
        "All images|*.zvg;*.tif;*.bmp;*.jpg;*.jpeg;*.png|ZV images (*.zvg)|*.zvg|TIFF (*.tif)|*.tif|Windows (*.bmp)|"
        "*.bmp|JPEG (*.jpg)|*.jpg;*.jpeg|PNG (*.png)|*.png||";
    static constexpr const char* kRegionQuestion = "Save only the region of interest?";
    static constexpr const char* kSaveOverPicture =
        "The document cannot be saved as %s: that is its picture. Choose a name ending in .cs1.";
    static constexpr const char* kKeepOriginalPicture =
        "%s already exists and was not written by this document: it may be an original picture.\n"
        "Keep it as it is and save this document's picture as %s?\n(No replaces %s.)";

    ZBasicDoc();
    ~ZBasicDoc() override;

    // ---- Fields, in file order ----
    int32_t targetX = 0, targetY = 0;
    int32_t showTarget = 1;
    double xScale = 1.0, yScale = 1.0;
    std::string magName = "default";
    int32_t magDate = 0;
    int32_t calibrated = 0;
    std::string units = "um";
    int32_t originX = 0, originY = 0;
    ZRect roi;
    ZRect roi2;  // kept and moved with the region of interest
    std::string imageFileName;
    int32_t imageTime = 0;
    std::string notes;
    std::array<CDimList, kListCount> lists;
    int32_t currentList = 0;
    CZVimage image;
    int32_t gridStyle = 0, gridUnits = 0, gridShow = 0;
    double gridSpacing = 100.0;
    uint32_t gridColour = 0x808080;
    std::string userGridFile;
    // The metafile bytes drawn as the grid for styles 2 and 3.
    std::vector<uint8_t> gridMetafile;
    bool imageModified = false;
    bool quiet = false;
    int32_t paletteIndex = 0;
    bool zeroAsBlack = true;
    CZVimage undoImage;
    // The description string stored with the examination link.
    std::string description;
    // The layout version of the file last read (10 for a new document).
    int32_t versionRead = kLayoutVersion;

    TortuosityParams tortuosity;
    // The diameter ends of the circles the last "Threshold Capillaries"
    // added, so that running it again can replace them.
    std::vector<std::pair<ZPoint, ZPoint>> lastDetection;

    // ---- Framework ----
    void Serialize(Archive& ar) override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    bool OnSaveDocument(const std::string& path) override;
    bool OnFileSaveAs() override;
    // Beside the picture, under its name: "n1.bmp" is proposed as "n1.cs1".
    std::string proposedSaveName() const override;
    void DeleteContents() override;

    // Reads the .cs1 fields without touching the image file (tools that
    // only inspect or rewrite the document).
    bool readFile(const std::string& path, std::string* error);
    // The same from bytes already in memory.
    bool readBytes(std::vector<uint8_t> bytes, std::string* error);
    // Writes the .cs1 fields only, never the image file.
    bool writeFile(const std::string& path, std::string* error);

    // Loads the stored image file: the stored path, else the same name in
    // the document's folder, else (unless quiet) asks for it.
    bool loadImage();
    // Loads an image file into the document ("&Import..."): the image time
    // becomes now and the image counts as modified so that a save writes
    // it beside the document.
    bool importImage(const std::string& path);

    // ---- Dimensions ----
    CDimList& currentDimList() { return lists[static_cast<size_t>(currentList)]; }
    const CDimList& currentDimList() const { return lists[static_cast<size_t>(currentList)]; }
    // Starts a new dimension of the kind at p in the current list; its index.
    int addNewDimension(int kind, ZPoint p);
    int addObject(std::unique_ptr<CDim> obj);
    void addVertex(int i, ZPoint p);
    void removeObject(int i);
    void clearCurrentList();
    // -1 when the list is empty; below 0 gives the last, past the end 0.
    int wrapIndex(int i) const;
    // Moves every list, both rectangles, the target and the origin.
    void moveAll(int dx, int dy);

    // ---- Calibration and display ----
    void setTarget(int x, int y);
    void toggleTarget();
    // The scales in effect: the document's when calibrated, else 1 and 1.
    double xScaleInEffect() const { return calibrated ? xScale : 1.0; }
    double yScaleInEffect() const { return calibrated ? yScale : 1.0; }
    std::string unitsInEffect() const { return calibrated ? units : std::string("pixel"); }
    void setMagnification(const Magnification& m, bool writeDefault, bool addToTable);
    Magnification magnification() const;
    void setUnits(bool isCalibrated, const std::string& unitName);
    void setPaletteIndex(int index);
    void toggleZeroAsBlack();

    // ---- Image operations ----
    // The protocol of every command that changes pixels: undo copy, the
    // operation on the region of interest (whole image when empty), the
    // history line in the notes, modified flags, all views redrawn. The
    // operation returns false when it changed nothing; then no history is
    // written. An empty history name writes no line.
    bool imageOperation(const std::string& history, const std::function<bool(CZVimage&, const ZRect&)>& op);
    // " ROI (%i,%i)-(%i,%i)." when a region is set, then "\r\n".
    std::string regionText() const;
    void appendHistory(const std::string& text);
    // Exchanges the image and the undo image; "undo\r\n" goes to the notes.
    void undo();
    void redo() { undo(); }

    // A copy of the image for "Duplicate image in new window".
    std::unique_ptr<ZBasicDoc> duplicate() const;

    // ---- Grid ----
    // Reloads the grid drawing: "chalkley.wmf" in the program folder for
    // style 2, the user grid file otherwise.
    void reloadGridDrawing();
    static void setProgramFolder(const std::string& folder);
    static const std::string& programFolder();

    // ---- Settings ----
    // The settings every new or opened document starts from.
    void readSettings(const ProfileStore& p);

private:
    void readLists(Archive& ar, int32_t version);
    bool saveImageBeside(const std::string& docPath, bool& regionOnly, ZPoint& shift);
    bool forceImageSave_ = false;
    // The picture file this document wrote in this session. Any other file
    // beside the document may be a raw picture and is only replaced after
    // asking.
    std::string pictureWrittenHere_;
    // The pixels as last read from or written to the picture file.
    uint64_t pictureHash_ = 0;
};

// "NAME-1.ext", or the next number that names no file yet.
std::string nextFreePictureName(const std::string& path);

// The metafile rule of the grid: an 18-byte header whose 32-bit size in
// 16-bit words sits at offset 6; the whole file of that size is the drawing.
// Empty when the file cannot be read or is not a metafile.
std::vector<uint8_t> readMetafileBytes(const std::string& path);
