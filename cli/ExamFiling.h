#pragma once
// "--exam ID --db FOLDER" on an analysis command: the command's result is
// filed as a results row of that examination, as saving the document in
// the workstation would file it. Commands call fileUnderExam last.
#include <string>

namespace ordavia {

struct CliArgs;

// Without --exam and --db it does nothing and returns 0. Otherwise the
// row of (examination, file name of `file`) gets `result`; the exit code is
// 1 with a one-line message when the database or the examination is not
// there or the row cannot be written.
int fileUnderExam(const CliArgs& a, const std::string& file, const std::string& result);

}  // namespace ordavia
