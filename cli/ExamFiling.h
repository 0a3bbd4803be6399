#pragma once
// "--exam ID --db FOLDER" on an analysis command: the command's result is
// filed as a results row of that examination, as saving the document in
// the workstation would file it. Commands call fileUnderExam last.
#include <mutex>
#include <string>

namespace ordavia {

struct CliArgs;

// Without --exam and --db it does nothing and returns 0. Otherwise `result`
// is filed for the file: as the row of the document when `analysis` is
// empty (the command wrote `file` itself, as a save in the workstation
// would), else as the analysis' own row of that file, so that a count and
// a detection of one picture both stay. The exit code is 1 with a one-line
// message when the database or the examination is not there, the result is
// empty or the row cannot be written.
// The jobs of a batch file one at a time: each opens the database of its
// own, and a second writer would find it busy. Held while a job writes.
std::mutex& examFilingLock();

int fileUnderExam(const CliArgs& a, const std::string& file, const std::string& result,
                  const std::string& analysis = {});

}  // namespace ordavia
