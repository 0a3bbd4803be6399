#pragma once
// A document under a private profile and a scripted prompter, with services
// of its own (tool mode 0), for every test of the image view tools.
#include "measure/ImageToolController.h"
#include "measure/ZBasicDoc.h"
#include "tests/support/ImageDocFixture.h"

class ViewToolTest : public ImageDocFixture<> {
protected:
    void SetUp() override {
        ImageDocFixture::SetUp();
        doc = &newDoc();
        doc->OnNewDocument();
        tools = std::make_unique<ordavia::ImageToolController>(*doc);
    }
    void TearDown() override {
        tools.reset();
        ImageDocFixture::TearDown();
    }

    // A grey image whose pixel (x, y) holds (x + 10 * y) & 0xFF.
    void giveImage(int w, int h) {
        doc->setImage(CZVimage(w, h, 0, CZVimage::kFrame, CZVimage::kGrey));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) doc->pictureForPreview().row(y)[x] = static_cast<uint8_t>((x + 10 * y) & 0xFF);
    }
    void click(ordavia::ZPoint p, bool shift = false, bool ctrl = false) {
        tools->buttonDown(p, shift, ctrl);
        tools->buttonUp(p, shift, ctrl);
    }
    // Press at the first point, move through the others, release at the last.
    unsigned drag(std::initializer_list<ordavia::ZPoint> path, bool shift = false, bool ctrl = false) {
        tools->buttonDown(*path.begin(), shift, ctrl);
        for (auto p = path.begin() + 1; p != path.end(); ++p) tools->mouseMove(*p, shift, ctrl);
        return tools->buttonUp(*(path.end() - 1), shift, ctrl);
    }
    CDimList& list() { return doc->currentDimList(); }
    // A dimension of that kind through the points, in the current list.
    int draw(int kind, std::initializer_list<ordavia::ZPoint> points) {
        const int i = doc->addNewDimension(kind, *points.begin());
        for (auto p = points.begin() + 1; p != points.end(); ++p) list().at(i)->addVertex(*p);
        return i;
    }

    ZBasicDoc* doc = nullptr;
    std::unique_ptr<ordavia::ImageToolController> tools;
};
