#pragma once
// A view that only records what its document told it: the hints of every
// update, in order. Attaches on construction, detaches on destruction.
#include <vector>

#include "framework/Document.h"

namespace ordavia::test {

class HintRecorder : public ordavia::DocumentView {
public:
    explicit HintRecorder(ordavia::Document& doc) : doc_(doc) { doc_.AddView(this); }
    ~HintRecorder() override { doc_.RemoveView(this); }
    void OnUpdate(ordavia::Document*, long hint) override { hints.push_back(hint); }
    std::vector<long> hints;

private:
    ordavia::Document& doc_;
};

}  // namespace ordavia::test
