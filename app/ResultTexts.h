#pragma once
// The result text a document files under its examination when its own
// commands set none: the dimensions of a picture, the velocity of a line
// scan. Texts set by a command (a count, a detection, a flow picture) stay.
#include <string>

namespace ordavia {

class Document;

std::string composeResultText(const Document& doc, const std::string& current);

}  // namespace ordavia
