#pragma once
// The findings of an assessment drawn into a colour copy of the picture,
// for the command line's --overlay and for thumbnails: the row line
// (yellow), each capillary's apex mark and apical width bar (green normal,
// orange dilated, red giant, magenta abnormal shape), haemorrhage outlines
// (cyan) and avascular gaps (a blue bar along the row). No Qt.
class CZVimage;

namespace ordavia {

struct CapillaryAssessment;

// False when the picture is empty or the copy cannot be made.
bool drawAssessment(const CZVimage& picture, const CapillaryAssessment& a, CZVimage& out);

}  // namespace ordavia
