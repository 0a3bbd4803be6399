#pragma once
// Unique identifiers under the 2.25 root (a 128-bit number in decimal):
// no registered root is needed, and an identifier derived from a name is
// the same every time, so an object exported again keeps its identity and
// an archive that has it already replaces it instead of keeping two.
#include <string>

namespace ordavia {

// A new random identifier (a Study Instance UID for an examination).
std::string newDicomUid();
// The identifier that belongs to `name` ("<study uid>/picture/n1.zvb"):
// the same name always gives the same one, different names different ones.
std::string derivedDicomUid(const std::string& name);
// Whether text is a well-formed identifier (digits and dots, no empty or
// zero-led component, at most 64 characters).
bool isDicomUid(const std::string& text);

}  // namespace ordavia
