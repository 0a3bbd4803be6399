#pragma once
// A functional capillary flow image: an image document whose picture is
// the flow ratio of a block of video frames times a gain. It keeps the raw
// statistics, sd(d) and sd(I) per pixel, so that threshold and gain can be
// changed later.
//
// ".zvfcf": the image-document part, then int32 version 1000, double
// threshold, double gain, int32 W, int32 H (read only for versions 1000 to
// 1999). A document whose threshold ignores slow changes of the light is
// written as version 1001 with an int32 1 after H, which readers of 1000
// pass over. A picture placed away from (0, 0) (the block's smallest
// offsets) is written as version 1002: after H an int32 flag (1 = ignore
// drift), then int32 origin x and y of the picture. Beside it,
// NAME.zvrawfcf holds W x H doubles of sd(d) and then W x H doubles of
// sd(I), row by row, little-endian, with no header.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "figures/MeasureValues.h"
#include "measure/ZBasicDoc.h"
#include "video/FcfStatistics.h"

namespace ordavia {
struct ResultRecord;
}  // namespace ordavia

class fcfdoc : public ZBasicDoc {
public:
    static constexpr int32_t kFcfVersion = 1000;
    static constexpr int32_t kFcfDriftVersion = 1001;
    static constexpr int32_t kFcfPlacedVersion = 1002;
    // A stored origin further out than this is damage and ignored.
    static constexpr int32_t kMaxOrigin = 1 << 20;
    static constexpr double kDefaultThreshold = 5.0;
    static constexpr double kDefaultGain = 64.0;
    // The statistics of more pixels than this are a damaged file.
    static constexpr int64_t kMaxPixels = int64_t(1) << 26;
    static constexpr const char* kRawExtension = ".zvrawfcf";
    static constexpr const char* kMemoryError = "memory allocation error!";
    // The density the user marked, as reported and kept in the result text.
    static constexpr const char* kDensityText = "functional capillary density = %.1f";
    static constexpr const char* kDensityPrefix = "functional capillary density = ";

    fcfdoc();
    ~fcfdoc() override;

    // ---- Framework ----
    void Serialize(ordavia::Archive& ar) override;
    bool OnNewDocument() override;
    // Reads the document, then its raw statistics; the picture is computed
    // from them again. Without readable statistics the stored picture stays.
    ordavia::Status OnOpenDocument(const std::string& path) override;
    // Writes the picture (always whole), the document and the raw side
    // file; the side file replaces the old one only when the document was
    // written.
    ordavia::Status OnSaveDocument(const std::string& path) override;
    void DeleteContents() override;

    // ---- State ----
    double threshold() const { return threshold_; }
    double gain() const { return gain_; }
    // The threshold holds the flicker, sd(d) / sqrt(2), instead of sd(I)
    // (profile "fcf"/"ignoredrift"; see fcfRatio).
    bool ignoreDrift() const { return ignoreDrift_; }
    int arrayWidth() const { return width_; }
    int arrayHeight() const { return height_; }
    bool hasStatistics() const { return !sdD_.empty(); }
    const std::vector<double>& sdDifference() const { return sdD_; }
    const std::vector<double>& sdIntensity() const { return sdI_; }
    const std::vector<double>& ratio() const { return ratio_; }
    // Why the raw statistics could not be read at the last open (empty
    // when they were).
    const std::string& rawProblem() const { return rawProblem_; }

    // Takes the statistics of a block: arrays, the picture's origin at the
    // block's smallest offsets, and the common part of the frames as region
    // of interest. Computes ratio and picture.
    void setBlock(ordavia::FcfBlock&& block);
    // "&Recalculate": new threshold and gain, kept in the profile (section
    // "fcf") when the document has services; ratio and picture again.
    void recalculate(double threshold, double gain);
    void recalculate(double threshold, double gain, bool ignoreDrift);
    // Threshold and gain for the next computation, not kept in the profile
    // (a batch run's own values).
    void setValues(double threshold, double gain, bool ignoreDrift);
    // "Raise/Lower Doppler shift detection threshold": threshold +- 0.2.
    void stepThreshold(double delta) { recalculate(threshold_ + delta, gain_); }

    // The measures of the region of interest (the whole image when empty)
    // and its results row: sizes in calibrated units, FCF, FCD (%), flux,
    // conc, threshold.
    ordavia::FcfMeasures measure() const;
    ordavia::ResultRecord resultRecord() const;
    // The figures of the region (or the whole picture): what the result
    // text, the results row and the command line's JSON show.
    ordavia::MeasureValues figures() const;
    // Adds the row to "Functional Capillary Flow and Density Results"
    // (made when missing); false without results tables or when the table is full.
    ordavia::Status addResultRow();

    // Puts the marked density at the end of the result text (replacing an
    // earlier one); saving keeps it after the figures of the region.
    void setMarkedDensity(double percent);
    // The result text from the present measures, keeping a marked density;
    // every save makes it, and a run that files without saving too.
    void updateResultText();

    // NAME.zvrawfcf beside NAME.zvfcf.
    static std::string rawPath(const std::string& docPath);
    // The side file's bytes, and reading them back (exactly 16 x W x H).
    std::vector<uint8_t> rawBytes() const;
    ordavia::Status readRaw(const std::string& path);

private:
    void compute();

    std::vector<double> sdD_, sdI_, ratio_;
    double threshold_ = kDefaultThreshold;
    double gain_ = kDefaultGain;
    bool ignoreDrift_ = false;
    int32_t width_ = 0, height_ = 0;
    // The picture's place as read from a version 1002 document.
    std::optional<ordavia::ZPoint> placedAt_;
    std::string rawProblem_;
    // The region of interest stays in the file although the picture beside
    // it is written whole.
    const ordavia::ZRect* storedRegion_ = nullptr;
};
