#pragma once
// The image document's processing commands: the grey-level filters, the
// dust mask and the capillary detectors, each run on a ZBasicDoc through
// its image operation protocol (undo copy, history line, modified flags,
// redraw). The filters themselves live in image/; this is where the
// document's settings, prompts, lists and notes meet them.
//
// Every command returns true when it changed the document. The values a
// command asks for come through the document's prompter; while the document is
// quiet no prompt is shown and the stored value is used.
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"

class CDimList;
class CZVimage;
class ZBasicDoc;

namespace ordavia {

// An image operation as ZBasicDoc::imageOperation runs it.
using ImageOp = std::function<bool(CZVimage&, const ZRect&)>;

class ImageProcessing {
public:
    // ---- Settings and texts --------------------------------------------
    static constexpr const char* kDustMaskFilter = "Dustmask (*.dm)|*.dm||";
    static constexpr const char* kDustMaskDefault = "dustmask.dm";

    // ---- Filters ----------------------------------------------------------
    // The linear map p = trunc(gain x p + offset) over the region ("&Adjust
    // brightness/contrast"; the dialog previews it on the image first).
    static bool adjustBrightnessContrast(ZBasicDoc& doc, double gain, double offset);
    static bool equalise(ZBasicDoc& doc);
    static bool negative(ZBasicDoc& doc);
    // Window size from "WINDOWSZ"/"w" (default 51), asked for (3..199) and
    // stored back.
    static bool lowPass(ZBasicDoc& doc);
    static bool highPass(ZBasicDoc& doc);
    static bool laplacian(ZBasicDoc& doc);
    // The kernel, gain and offset stored in "ProcessingArgs".
    static bool customFilter(ZBasicDoc& doc);
    // Sigma from "blur"/"sigma", asked for with the prompt "sigma " and
    // stored back as the text entered.
    static bool blur(ZBasicDoc& doc);
    // The image becomes the 2 x 2 reduction; the scales double and every
    // position on the picture (all five lists, both rectangles, target and
    // origin) is halved.
    static bool bin(ZBasicDoc& doc);
    // Asks for an image file of the same size and subtracts it.
    static bool subtractImage(ZBasicDoc& doc);
    // Interpolates over the region of interest from its border pixels.
    static bool removeSingleDustMark(ZBasicDoc& doc);

    // ---- Dust mask --------------------------------------------------------
    // Toggles "settings"/"dustmask". On: reads the dust list from the stored
    // dust mask file and filters the image. Off: reloads the image from its
    // file. Returns the new state.
    static bool toggleDustMaskFilter(ZBasicDoc& doc);
    static bool dustMaskFilterOn(const ZBasicDoc& doc);
    static bool saveDustMask(ZBasicDoc& doc);
    static bool loadDustMask(ZBasicDoc& doc);
    // The dust filter after an image load while the setting is on; reads
    // the stored mask first when the document has no dust list yet. Does
    // not count as an edit of the image.
    static bool applyDustMaskAfterLoad(ZBasicDoc& doc, CZVimage& picture);
    // The bounding rectangle of every object of the list, in list order.
    static std::vector<ZRect> dustMarks(const CDimList& list);
    // A dust mask file is the dust list's own archived form.
    static Status writeDustMaskFile(const std::string& path, CDimList& list);
    // The list is replaced only when the whole file reads cleanly.
    static Status readDustMaskFile(const std::string& path, CDimList& list);

    // ---- Capillary detection ---------------------------------------------
    // "Processing...": the preprocessing chain with the stored
    // "ProcessingArgs" (the dialog edits them first).
    static bool processing(ZBasicDoc& doc);
    // "Threshold &preprocess check": the same chain, so that the user sees
    // what the detector sees.
    static bool preprocessCheck(ZBasicDoc& doc);
    static bool apexFilter(ZBasicDoc& doc);
    // "Threshold Capillaries": circles added to the current list, the
    // count and density as the result text, the density in the notes.
    // Circles of an earlier run still in the list are replaced after asking
    // (quiet: replaced). An uncalibrated picture is warned about. Returns
    // true when any circle was added.
    static bool thresholdCapillaries(ZBasicDoc& doc);
    static constexpr const char* kReplaceDetection =
        "The current list holds %i circles of an earlier \"Threshold Capillaries\".\n"
        "Replace them with the circles found now?";
    static constexpr const char* kNotCalibrated =
        "This picture is not calibrated: the capillary density is counted per million square pixels, not per "
        "square millimetre. Calibrate the magnification for a true density.";
    // "&Find Capillaries": counts the objects of the current list with a
    // vertex in the region and reports the density.
    static bool findCapillaries(ZBasicDoc& doc);
    // Level from "settings"/"simpleimagethreshold", asked for and stored.
    static bool simpleThreshold(ZBasicDoc& doc);
    static bool findMinimaWithinWindow(ZBasicDoc& doc);
    static bool findMinimaWithinTolerance(ZBasicDoc& doc);
    static bool findEightRegions(ZBasicDoc& doc);

    // ---- Helpers shared by the commands -------------------------------------
    // The region of interest clipped to the image, in parent frame
    // coordinates; the whole image when no region is set. Empty when the
    // image is empty or the region misses it.
    static ZRect workRegion(const ZBasicDoc& doc);
    // Where a result image goes: beside the document (or, before the
    // document is saved, beside its image file) with the suffix and the
    // extension of "settings"/"imagetype". Empty when neither has a path.
    static std::string resultImagePath(const ZBasicDoc& doc, const std::string& suffix);
    // The density line for n marks over the region, written to the result
    // text and the notes. Empty (and nothing written) when there is no
    // density to report.
    static std::string reportDensity(ZBasicDoc& doc, long long n, const ZRect& region);

    // Colour pictures: filters made for one grey value per pixel either
    // run on the grey picture (the colour picture becomes grey with the
    // document's colour weights, in the same undo step) or on each colour
    // channel (smoothing, sharpening, repairs keep the colour). Grey
    // pictures go to the filter as they are.
    static ImageOp onGrey(const ZBasicDoc& doc, ImageOp filter);
    static ImageOp perChannel(ImageOp filter);
    // The picture as grey for the analyses that only read it.
    static CZVimage greyPicture(const ZBasicDoc& doc);
};

}  // namespace ordavia
