#pragma once
// The image document's processing commands: the grey-level filters, the
// dust mask and the capillary detectors, each run on a ZBasicDoc through
// its image operation protocol (undo copy, history line, modified flags,
// redraw). The filters themselves live in image/; this is where the
// document's settings, prompts, lists and notes meet them.
//
// Every command returns a Status: success when it changed the document (or,
// for the detectors, found something); Cancelled when the user declined a
// prompt; NoResult when there was nothing to do or nothing was found, which
// is not shown; any other failure carries the text the user reads, which
// the caller shows through showFailure (run() does both). The
// values a command asks for come through the document's prompter; while the
// document is quiet no prompt is shown and the stored value is used.
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "framework/Prompter.h"

class CDimList;
class CZVimage;
class ZBasicDoc;

namespace ordavia {

// An image operation as ZBasicDoc::imageOperation runs it.
using ImageOp = std::function<bool(CZVimage&, const ZRect&)>;

class ImageProcessing {
public:
    using Command = Status (*)(ZBasicDoc&);
    // Runs a command and shows its failure through the document's prompter
    // (nothing while quiet); refusals carry the icon given, a file that could
    // not be read or written shows as an error.
    static Status run(ZBasicDoc& doc, Command command, MsgIcon refusal = MsgIcon::Warning);

    // ---- Settings and texts --------------------------------------------
    static constexpr const char* kDustMaskFilter = "Dustmask (*.dm)|*.dm||";
    static constexpr const char* kDustMaskDefault = "dustmask.dm";
    static constexpr const char* kSigmaNotPositive = "Sigma must be a number greater than 0.";
    static constexpr const char* kNotSubtractable = "%s is not an 8-bit grey image of %i x %i pixels; nothing was subtracted.";
    static constexpr const char* kSelectDustMark = "Select the dust mark as the region of interest first.";
    static constexpr const char* kNoObjectsInRegion = "No objects of the current list lie in the region.";
    static constexpr const char* kRegionWithoutArea = "The region has no area; no density was computed.";

    // ---- Filters ----------------------------------------------------------
    // The linear map p = trunc(gain x p + offset) over the region ("&Adjust
    // brightness/contrast"; the dialog previews it on the image first).
    static Status adjustBrightnessContrast(ZBasicDoc& doc, double gain, double offset);
    static Status equalise(ZBasicDoc& doc);
    static Status negative(ZBasicDoc& doc);
    // Window size from "WINDOWSZ"/"w" (default 51), asked for (3..199) and
    // stored back.
    static Status lowPass(ZBasicDoc& doc);
    static Status highPass(ZBasicDoc& doc);
    static Status laplacian(ZBasicDoc& doc);
    // The kernel, gain and offset stored in "ProcessingArgs".
    static Status customFilter(ZBasicDoc& doc);
    // Sigma from "blur"/"sigma", asked for with the prompt "sigma " and
    // stored back as the text entered.
    static Status blur(ZBasicDoc& doc);
    // The image becomes the 2 x 2 reduction; the scales double and every
    // position on the picture (all five lists, both rectangles, target and
    // origin) is halved.
    static Status bin(ZBasicDoc& doc);
    // Asks for an image file of the same size and subtracts it.
    static Status subtractImage(ZBasicDoc& doc);
    // Interpolates over the region of interest from its border pixels.
    static Status removeSingleDustMark(ZBasicDoc& doc);

    // ---- Dust mask --------------------------------------------------------
    // Toggles "settings"/"dustmask". On: reads the dust list from the stored
    // dust mask file and filters the image. Off: reloads the image from its
    // file. Fails, leaving the switch as it was only when switching on, when
    // there is no mask to filter with or the picture cannot be reloaded.
    static Status toggleDustMaskFilter(ZBasicDoc& doc);
    static bool dustMaskFilterOn(const ZBasicDoc& doc);
    static Status saveDustMask(ZBasicDoc& doc);
    static Status loadDustMask(ZBasicDoc& doc);
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
    static Status processing(ZBasicDoc& doc);
    // "Threshold &preprocess check": the same chain, so that the user sees
    // what the detector sees.
    static Status preprocessCheck(ZBasicDoc& doc);
    static Status apexFilter(ZBasicDoc& doc);
    // "Threshold Capillaries": circles added to the current list, the
    // count and density as the result text, the density in the notes.
    // Circles of an earlier run still in the list are replaced after asking
    // (quiet: replaced). An uncalibrated picture is warned about after the
    // run, whatever it found. NoResult when no circle was found.
    static Status thresholdCapillaries(ZBasicDoc& doc);
    static constexpr const char* kReplaceDetection =
        "The current list holds %i circles of an earlier \"Threshold Capillaries\".\n"
        "Replace them with the circles found now?";
    static constexpr const char* kNotCalibrated =
        "This picture is not calibrated: the capillary density is counted per million square pixels, not per "
        "square millimetre. Calibrate the magnification for a true density.";
    // "&Find Capillaries": counts the objects of the current list with a
    // vertex in the region and reports the density in a message, its
    // result; a region without objects or area is a refusal.
    static Status findCapillaries(ZBasicDoc& doc);
    // Level from "settings"/"simpleimagethreshold", asked for and stored.
    static Status simpleThreshold(ZBasicDoc& doc);
    static Status findMinimaWithinWindow(ZBasicDoc& doc);
    static Status findMinimaWithinTolerance(ZBasicDoc& doc);
    static Status findEightRegions(ZBasicDoc& doc);

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

    // An image operation that left the picture as it was (no picture, a
    // filter with nothing to change or quietly refusing its settings) has
    // no result.
    static Status changed(bool done);

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
