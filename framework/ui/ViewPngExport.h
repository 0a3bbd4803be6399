#pragma once
// "Export view as PNG": a view's picture, overlays included, saved as a
// PNG through a temporary file beside the target, so that a failed export
// never leaves half a file where a good one was.
#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

class Prompter;

inline constexpr const char* kExportViewAsPng = "Export view as &PNG...";

// Views larger than this (in pixels) are refused before they are drawn: a
// picture at a high zoom would otherwise cost gigabytes.
inline constexpr long long kMaxExportPixels = 100LL * 1000 * 1000;

Status saveViewPng(const QImage& picture, const std::string& path);

// The command: asks for a file (proposed is the name offered), adds ".png"
// when the name has no extension, refuses the files in `keep` (the
// document and its picture: primary data) and shows the reason of any
// failure as it is. Returns the path written, or nothing.
std::optional<std::string> exportViewAsPng(const QImage& picture, Prompter& prompter, const std::string& proposed,
                                           const std::vector<std::string>& keep = {});

}  // namespace ordavia
