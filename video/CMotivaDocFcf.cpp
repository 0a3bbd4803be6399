// CMotivaDoc: the per-pixel spectrum commands of functional capillary flow.
#include "base/Text.h"
#include "image/CZVimage.h"
#include "video/CMotivaDoc.h"
#include "video/PixelSpectra.h"

using namespace ordavia;

Status CMotivaDoc::fftPerPixel(int points, const std::function<bool(int)>& progress) {
    if (!hasFrames()) return Status::failure("there is no video");
    applyMovieSettings();
    const int start = movie_->currentIndex();
    Status s = ordavia::fftPerPixelPass(*movie_, start, points, progress);
    afterPass(strprintf("FFT per pixel sequence, %i points from image %i", points, start), s);
    if (s) afterDelete();
    return s;
}

ordavia::Result<std::vector<std::unique_ptr<ZBasicDoc>>> CMotivaDoc::fluxConcSpeedDocuments(const ordavia::FluxParams& p,
                                                                                          bool concAndFlux) {
    if (!hasFrames()) return Status::failure("there is no video");
    CZVimage speed, conc, flux;
    Status s = ordavia::fluxConcSpeed(*movie_, p, &speed, concAndFlux ? &conc : nullptr, concAndFlux ? &flux : nullptr);
    movie_->GoTo(movie_->currentIndex());
    if (!s) return s;
    std::vector<std::unique_ptr<ZBasicDoc>> docs;
    auto add = [&](CZVimage& img, const char* prefix) {
        docs.push_back(newImageResult(std::move(img), ""));
        docs.back()->SetTitle(prefix + GetTitle());
    };
    add(speed, "FCF of ");
    if (concAndFlux) {
        add(conc, "FCF conc of ");
        add(flux, "FCF flux of ");
    }
    return docs;
}
