#pragma once
// The DICOM Study Instance UID of each examination that has been exported
// or sent: one study per examination in the hospital's archive, however
// often it is sent again. Kept in a table of its own ("dicomstudies",
// examination id and UID), made the first time it is needed, so that
// databases of older versions open and stay readable by them.
#include <cstdint>
#include <optional>
#include <string>

#include "base/Result.h"

namespace ordavia {

class CSubjectDatabase;

// The UID kept for the examination; none when it was never exported (or
// the table is not there yet). A read-only database answers too.
Result<std::optional<std::string>> storedStudyUid(CSubjectDatabase& db, int64_t examId);
// The UID of the examination: the one kept, or else `candidate`, which is
// kept from now on. Two programs doing this at once agree on one UID.
Result<std::string> keepStudyUid(CSubjectDatabase& db, int64_t examId, const std::string& candidate);

}  // namespace ordavia
