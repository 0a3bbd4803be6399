#pragma once
// The document of a still image under measurement: one picture with an
// undo copy, five dimension lists, the calibration, a target cross, an
// origin, a region of interest, a grid and notes, tied to an examination
// through CdbDocument. Its ".cs1" file holds the measurements and settings;
// the picture lives in a separate image file whose name the document keeps.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "db/CdbDocument.h"
#include "image/CZVimage.h"
#include "measure/CDimList.h"
#include "measure/Magnification.h"
#include "measure/TortuosityParams.h"

class ProfileStore;

namespace ordavia {

struct GreyWeights;

// The calibration a document measures with.
struct ImageCalibration {
    double xScale = 1.0, yScale = 1.0;
    std::string magName = "default";
    int32_t magDate = 0;
    bool calibrated = false;
    std::string units = "um";
};

// The places a document marks on its picture.
struct ImageMarks {
    int32_t targetX = 0, targetY = 0;
    bool showTarget = true;
    int32_t originX = 0, originY = 0;
    ZRect roi;
    ZRect roi2;  // kept and moved with the region of interest
};

struct GridSettings {
    int32_t style = 0, units = 0, show = 0;
    double spacing = 100.0;
    uint32_t colour = 0x808080;
    std::string userFile;
};

}  // namespace ordavia

class ZBasicDoc : public CdbDocument {
public:
    static constexpr int32_t kLayoutVersion = 10;
    static constexpr int kListCount = 5;
    static constexpr int kDustList = 4;

    // Message texts.
    static constexpr const char* kCouldNotLoad = "Could not load image";
    static constexpr const char* kErrorSaving = kPictureSaveFailed;
    static constexpr const char* kCannotFind = "Cannot find image file %1.\nPlease specify new location.";
    static constexpr const char* kImageFilter =
        "All images|*.zvg;*.tif;*.tiff;*.bmp;*.jpg;*.jpeg;*.png;*.dcm|ZV images (*.zvg)|*.zvg|TIFF (*.tif)|*.tif;*.tiff|"
        "Windows (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg;*.jpeg|PNG (*.png)|*.png|DICOM (*.dcm)|*.dcm||";
    static constexpr const char* kRegionQuestion = "Save only the region of interest?";
    static constexpr const char* kSaveOverPicture =
        "The document cannot be saved as %s: that is its picture. Choose a name ending in .cs1.";
    static constexpr const char* kKeepOriginalPicture =
        "%s already exists and was not written by this document: it may be an original picture.\n"
        "Keep it as it is and save this document's picture as %s?\n(No replaces %s.)";
    static constexpr const char* kClearAllQuestion = "Do you really want to delete all dimensions of the current list?";

    ZBasicDoc();
    ~ZBasicDoc() override;

    // ---- State ----
    // The picture and its display: the palette and zero-as-black are kept
    // here only and applied to every picture that enters the document.
    const CZVimage& image() const { return image_; }
    // Gives the document its picture (a capture, a generated picture), as
    // a load would: nothing before it can be undone, and whether a save
    // writes it is the caller's choice (markImageForSave).
    void setImage(CZVimage picture);
    // The picture for a live preview (a dialog's slider): the caller puts
    // the original back before it ends, and a change that stays goes
    // through imageOperation so that it can be undone.
    CZVimage& pictureForPreview() { return image_; }
    // A preview step: the picture becomes `original` again, then `change`
    // (when given) is applied to it, and the views show it. Not an edit:
    // nothing is marked modified or kept for undo.
    void showPreview(const CZVimage& original, const std::function<void(CZVimage&)>& change = {});
    void toggleAutoContrast();
    int paletteIndex() const { return paletteIndex_; }
    bool zeroAsBlack() const { return zeroAsBlack_; }
    // Out-of-range indexes wrap both ways (stepping past the last gives 0).
    void setPaletteIndex(int index);
    void setZeroAsBlack(bool on);
    void toggleZeroAsBlack() { setZeroAsBlack(!zeroAsBlack_); }
    // Whether the picture differs from its file (a save writes it beside
    // the document).
    bool imageModified() const { return imageModified_; }
    // The next save writes the picture beside the document even when it is
    // unchanged (Save As, a tool's resave with its picture).
    void markImageForSave() { imageModified_ = true; }
    // The picture file the document names, and when it was taken.
    const std::string& imageFileName() const { return imageFileName_; }
    int32_t imageTime() const { return imageTime_; }
    void setImageFile(const std::string& path, int32_t time);

    // Calibration: the scales with the magnification they came from.
    const ordavia::ImageCalibration& calibration() const { return calibration_; }
    // Scales must be finite and not negative; false (and no change) otherwise.
    bool setCalibration(const ordavia::ImageCalibration& c);

    // Places on the picture.
    const ordavia::ImageMarks& marks() const { return marks_; }
    void setMarks(const ordavia::ImageMarks& m);
    void setOrigin(int x, int y);
    // The region of interest; the second rectangle keeps its offset.
    void setRegion(const ordavia::ZRect& roi);
    void setSecondRegion(const ordavia::ZRect& roi2);
    void setShowTarget(bool on);

    // The grid and its drawing (styles 2 and 3 draw a metafile).
    const ordavia::GridSettings& grid() const { return grid_; }
    void setGrid(const ordavia::GridSettings& g);
    const std::vector<uint8_t>& gridDrawing() const { return gridMetafile_; }

    // Notes (history lines and the user's text) and the description kept
    // with the examination link.
    const std::string& notes() const { return notes_; }
    void setNotes(const std::string& text);
    const std::string& description() const { return description_; }
    void setDescription(const std::string& text);
    const ordavia::TortuosityParams& tortuosity() const { return tortuosity_; }
    void setTortuosity(const ordavia::TortuosityParams& t);

    // The five dimension lists. Edits through the document's own methods
    // can be undone; the tools edit the current list in place and mark the
    // document modified themselves.
    std::array<CDimList, kListCount>& lists() { return lists_; }
    const std::array<CDimList, kListCount>& lists() const { return lists_; }
    int currentList() const { return currentList_; }
    void setCurrentList(int i);

    // A quiet document never prompts (tools, batch work): stored values are
    // used and failures are only returned.
    bool quiet() const { return quiet_; }
    void setQuiet(bool on) { quiet_ = on; }
    // The layout version of the file last read (10 for a new document).
    int32_t versionRead() const { return versionRead_; }
    // The diameter ends of the circles the last "Threshold Capillaries"
    // added, so that running it again can replace them.
    std::vector<std::pair<ordavia::ZPoint, ordavia::ZPoint>> lastDetection;

    // ---- Framework ----
    // Takes the settings every document starts from out of the profile.
    void setServices(ordavia::AppServices* services) override;
    void Serialize(ordavia::Archive& ar) override;
    bool OnNewDocument() override;
    ordavia::Status OnOpenDocument(const std::string& path) override;
    ordavia::Status OnSaveDocument(const std::string& path) override;
    ordavia::Status OnFileSaveAs() override;
    // Beside the picture, under its name: "n1.bmp" is proposed as "n1.cs1".
    std::string proposedSaveName() const override;
    void DeleteContents() override;

    // Reads the .cs1 fields without touching the image file (tools that
    // only inspect or rewrite the document).
    ordavia::Status readFile(const std::string& path);
    // The same from bytes already in memory.
    ordavia::Status readBytes(std::vector<uint8_t> bytes);
    // Writes the .cs1 fields only, never the image file.
    ordavia::Status writeFile(const std::string& path);

    // Loads the stored image file: the stored path, else the same name in
    // the document's folder. A picture at neither place fails as NotFound;
    // one that is there but unreadable fails with the reader's reason. The
    // caller reports it (opening a document asks for the file instead).
    ordavia::Status loadImage();
    // How colour pictures this document reads become grey: the start-up
    // settings of its services.
    ordavia::GreyWeights importWeights() const;
    // Loads an image file into the document ("&Import..."): the image time
    // becomes now and the image counts as modified so that a save writes
    // it beside the document. A picture that does not load fails with the
    // reader's reason and leaves the document as it was; the caller reports
    // it (couldNotLoad()).
    ordavia::Status importImage(const std::string& path);
    // The message for a picture that did not load.
    static std::string couldNotLoad(const ordavia::Status& st) { return std::string(kCouldNotLoad) + "\n" + st.reason(); }

    // ---- Dimensions ----
    CDimList& currentDimList() { return lists_[static_cast<size_t>(currentList_)]; }
    const CDimList& currentDimList() const { return lists_[static_cast<size_t>(currentList_)]; }
    // Starts a new dimension of the kind at p in the current list; its index.
    int addNewDimension(int kind, ordavia::ZPoint p);
    int addObject(std::unique_ptr<CDim> obj);
    void addVertex(int i, ordavia::ZPoint p);
    void removeObject(int i);
    // Empties the current list (after asking, unless quiet); Cancelled when
    // the user said no, NoResult when the list was empty.
    ordavia::Status clearCurrentList();
    // Remembers the lists, places and scales so that the next undo brings
    // them back; every dimension edit of a tool calls it first. The step
    // reaches the undo stack with the first change (markEdited).
    void rememberForUndo();
    // Tells the document that a tool changed it in place (a dimension built,
    // dragged or deleted, a region drawn): the step remembered last becomes
    // an undo step, or, when there is none, the change is one the last step
    // takes back with it. Views are not told; the tool redraws.
    void markEdited();
    // -1 when the list is empty; below 0 gives the last, past the end 0.
    int wrapIndex(int i) const;
    // Moves every list, both rectangles, the target and the origin.
    void moveAll(int dx, int dy);

    // ---- Calibration and display ----
    void setTarget(int x, int y);
    void toggleTarget();
    // The scales in effect: the document's when calibrated, else 1 and 1.
    double xScaleInEffect() const { return calibration_.calibrated ? calibration_.xScale : 1.0; }
    double yScaleInEffect() const { return calibration_.calibrated ? calibration_.yScale : 1.0; }
    std::string unitsInEffect() const { return calibration_.calibrated ? calibration_.units : std::string("pixel"); }
    void setMagnification(const ordavia::Magnification& m, bool writeDefault, bool addToTable);
    ordavia::Magnification magnification() const;
    void setUnits(bool isCalibrated, const std::string& unitName);

    // ---- Image operations ----
    // The protocol of every command that changes pixels: undo copy, the
    // operation on the region of interest (whole image when empty), the
    // history line in the notes, modified flags, all views redrawn. The
    // operation returns false when it changed nothing; then no history is
    // written. An empty history name writes no line.
    bool imageOperation(const std::string& history, const std::function<bool(CZVimage&, const ordavia::ZRect&)>& op);
    // " ROI (%i,%i)-(%i,%i)." when a region is set, then "\r\n".
    std::string regionText() const;
    void appendHistory(const std::string& text);
    // Exchanges what the last operation changed (picture, dimensions,
    // places, scales) with what it had before; "undo\r\n" goes to the notes
    // when the picture comes back. Undoing twice redoes.
    void undo();
    void redo() { undo(); }
    bool canUndo() const;
    // The picture an undo would bring back; null when the last operation
    // left the pixels alone.
    const CZVimage* undoPicture() const;

    // A copy of the image for "Duplicate image in new window".
    std::unique_ptr<ZBasicDoc> duplicate() const;

    // ---- Grid ----
    // Reloads the grid drawing: "chalkley.wmf" in the program folder for
    // style 2, the user grid file otherwise.
    void reloadGridDrawing();

    // ---- Settings ----
    // The settings every new or opened document starts from.
    void readSettings(const ProfileStore& p);

protected:
    // The picture itself, for documents that show their own frames in it
    // (a video's current frame).
    CZVimage& picture() { return image_; }

private:
    // What an undo brings back: always the lists, places and calibration;
    // the picture only when the operation changed it.
    struct UndoState {
        bool valid = false;
        bool hasPicture = false;
        CZVimage picture;
        std::array<std::vector<std::unique_ptr<CDim>>, kListCount> lists;
        ordavia::ImageMarks marks;
        ordavia::ImageCalibration calibration;
    };
    UndoState captureState(bool withPicture) const;
    void restoreState(UndoState& s);
    // The one step this document keeps: undoing it exchanges the state with
    // the one remembered, so undoing it again redoes it.
    void recordStep(UndoState before, const std::string& text);
    void exchangeWith(UndoState& s);
    // Drops the step (a new picture), keeping whether the document is modified.
    void forgetSteps();
    void applyDisplay(CZVimage& img) const;
    // Makes a picture just read from the image file the document's own.
    void takeLoadedImage(CZVimage&& loaded);
    // Opening a document whose picture did not load: says why and lets the
    // user point at the file.
    void askForImage(const ordavia::Status& failed);
    void changed();
    const ProfileStore* profileOrNull() const;

    void readLists(ordavia::Archive& ar, int32_t version);
    // Writes the picture beside the document when it must; cancelled when
    // the user keeps a picture that is there.
    ordavia::Status saveImageBeside(const std::string& docPath, bool& regionOnly, ordavia::ZPoint& shift);
    bool forceImageSave_ = false;
    // The picture file this document wrote in this session. Any other file
    // beside the document may be a raw picture and is only replaced after
    // asking.
    std::string pictureWrittenHere_;
    // The pixels as last read from or written to the picture file.
    uint64_t pictureHash_ = 0;

    CZVimage image_;
    int32_t paletteIndex_ = 0;
    bool zeroAsBlack_ = true;
    bool imageModified_ = false;
    std::string imageFileName_;
    int32_t imageTime_ = 0;
    ordavia::ImageCalibration calibration_;
    ordavia::ImageMarks marks_;
    ordavia::GridSettings grid_;
    std::vector<uint8_t> gridMetafile_;
    std::string notes_;
    std::string description_;
    ordavia::TortuosityParams tortuosity_;
    std::array<CDimList, kListCount> lists_;
    int32_t currentList_ = 0;
    bool quiet_ = false;
    int32_t versionRead_ = kLayoutVersion;
    // A remembered state not yet a step; the state of the step kept.
    UndoState pending_;
    std::weak_ptr<UndoState> lastStep_;
};

namespace ordavia {

// "NAME-1.ext", or the next number that names no file yet.
std::string nextFreePictureName(const std::string& path);

// The metafile rule of the grid: an 18-byte header whose 32-bit size in
// 16-bit words sits at offset 6; the whole file of that size is the drawing.
// Empty when the file cannot be read or is not a metafile.
std::vector<uint8_t> readMetafileBytes(const std::string& path);

}  // namespace ordavia
