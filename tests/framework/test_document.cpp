// Loading and saving documents through the archive, with real files on
// disc, and the questions asked through the Prompter.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "base/Archive.h"
#include "framework/AppServices.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/ScriptedPrompter.h"
#include "tests/support/ShownFailure.h"
#include "tests/support/TempFolderTest.h"

using namespace ordavia;
using testsupport::shown;

namespace fs = std::filesystem;

namespace {

// A document with a small layout: a magic word, a string and a count of
// doubles. It can be told to fail half-way through saving or loading.
class SampleDoc : public Document {
public:
    explicit SampleDoc(AppServices* services) { setServices(services); }
    std::string text;
    std::vector<double> values;
    enum class Fail { None, ArchiveError, RuntimeError, LengthError } failOn = Fail::None;
    int deleted = 0;

    void DeleteContents() override {
        ++deleted;
        text.clear();
        values.clear();
    }
    void Serialize(Archive& ar) override {
        if (ar.IsStoring()) {
            ar.writeWord(0x5A56);
            ar.writeString(text);
            throwIfAsked();
            ar.writeCount(static_cast<uint32_t>(values.size()));
            for (double v : values) ar.writeDouble(v);
        } else {
            if (ar.readWord() != 0x5A56) throw ArchiveError("not a sample document");
            text = ar.readString();
            throwIfAsked();
            values.resize(ar.readCountFor(8));
            for (double& v : values) v = ar.readDouble();
        }
    }

private:
    void throwIfAsked() {
        switch (failOn) {
            case Fail::ArchiveError: throw ArchiveError("archive: cannot store this");
            case Fail::RuntimeError: throw std::runtime_error("value out of range");
            case Fail::LengthError: throw std::length_error("vector too long");
            case Fail::None: break;
        }
    }
};

class DocumentTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        services_.prompterPtr = &prompter_;
    }
    // A saved sample document's bytes.
    std::string savedSample(const std::string& name) {
        SampleDoc d(&services_);
        d.text = "hello";
        d.values = {1.5, -2.0};
        EXPECT_TRUE(d.OnSaveDocument(path(name)));
        return readFile(path(name));
    }

    ScriptedPrompter prompter_;
    ordavia::AppServices services_;
};

TEST_F(DocumentTest, SaveWritesTheArchiveAndOpenReadsItBack) {
    savedSample("a.smp");
    SampleDoc d(&services_);
    d.SetModifiedFlag(true);
    ASSERT_TRUE(d.OnOpenDocument(path("a.smp")));
    EXPECT_EQ(d.text, "hello");
    EXPECT_EQ(d.values, (std::vector<double>{1.5, -2.0}));
    EXPECT_FALSE(d.IsModified());
    EXPECT_TRUE(prompter_.asked.empty());
}

// Whatever Serialize throws while saving, the previous file stays as it was.
TEST_F(DocumentTest, FailedSaveKeepsThePreviousFile) {
    const std::string good = savedSample("keep.smp");
    for (auto fail : {SampleDoc::Fail::ArchiveError, SampleDoc::Fail::RuntimeError}) {
        prompter_.asked.clear();
        SampleDoc d(&services_);
        d.text = "replacement";
        d.SetModifiedFlag(true);
        d.failOn = fail;
        EXPECT_FALSE(shown(prompter_, d.OnSaveDocument(path("keep.smp"))));
        EXPECT_EQ(readFile(path("keep.smp")), good);
        EXPECT_TRUE(d.IsModified());
        ASSERT_EQ(prompter_.messages().size(), 1u);
        const std::string msg = prompter_.messages()[0];
        EXPECT_EQ(msg.rfind("Failed to save document.\n", 0), 0u) << msg;
        EXPECT_NE(msg.find(path("keep.smp")), std::string::npos) << msg;
        EXPECT_EQ(entries(), 1u) << "temporary file left behind";
    }
}

// A file cut short at any byte opens as nothing, with one clear message
// that names the file, and leaves the document empty rather than half read.
TEST_F(DocumentTest, TruncatedFileIsReportedThroughThePrompter) {
    const std::string good = savedSample("full.smp");
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        writeFile(path("cut.smp"), good.substr(0, n));
        prompter_.asked.clear();
        SampleDoc d(&services_);
        d.text = "previous";
        const Status opened = shown(prompter_, d.OnOpenDocument(path("cut.smp")));
        EXPECT_FALSE(opened);
        EXPECT_TRUE(d.text.empty());
        EXPECT_TRUE(d.values.empty());
        ASSERT_EQ(prompter_.asked.size(), 1u);
        const auto& q = prompter_.asked[0];
        EXPECT_EQ(q.icon, MsgIcon::Error);
        EXPECT_EQ(q.text.rfind("Unexpected file format.\n", 0), 0u) << q.text;
        EXPECT_NE(q.text.find(path("cut.smp")), std::string::npos) << q.text;
        const std::string why = Document::failureReason(opened);
        EXPECT_TRUE(why.find("end of file") != std::string::npos ||
                    why.find("exceeds the data left") != std::string::npos)
            << why;
    }
}

TEST_F(DocumentTest, OtherOpenFailuresAreReportedToo) {
    SampleDoc missing(&services_);
    EXPECT_FALSE(shown(prompter_, missing.OnOpenDocument(path("missing.smp"))));
    ASSERT_EQ(prompter_.messages().size(), 1u);
    EXPECT_EQ(prompter_.messages()[0].rfind("Failed to open document.\n", 0), 0u);
    EXPECT_NE(prompter_.messages()[0].find("missing.smp"), std::string::npos);

    // A reader's own exception is a failed open, not the end of the program.
    savedSample("ok.smp");
    prompter_.asked.clear();
    SampleDoc d(&services_);
    d.failOn = SampleDoc::Fail::LengthError;
    EXPECT_FALSE(shown(prompter_, d.OnOpenDocument(path("ok.smp"))));
    ASSERT_EQ(prompter_.messages().size(), 1u);
    EXPECT_NE(prompter_.messages()[0].find("vector too long"), std::string::npos);
    EXPECT_TRUE(d.text.empty());
}

TEST_F(DocumentTest, SaveModifiedAnswers) {
    const std::string p = path("doc.smp");
    struct Case {
        MsgResult answer;
        StatusCode result;
        bool saved;
    };
    const Case cases[] = {
        {MsgResult::Yes, StatusCode::Ok, true},
        {MsgResult::No, StatusCode::Ok, false},
        {MsgResult::Cancel, StatusCode::Cancelled, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        fs::remove(p);
        prompter_.asked.clear();
        SampleDoc d(&services_);
        d.text = "edited";
        d.SetPathName(p);
        d.SetModifiedFlag(true);
        prompter_.pushMessageAnswer(c.answer);
        EXPECT_EQ(shown(prompter_, d.SaveModified()).code(), c.result);
        ASSERT_EQ(prompter_.asked.size(), 1u);
        EXPECT_EQ(prompter_.asked[0].text, "Save changes to " + p + "?");
        EXPECT_EQ(prompter_.asked[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(fs::exists(p), c.saved);
        EXPECT_EQ(d.IsModified(), !c.saved);
    }
    // Unmodified: nothing is asked.
    prompter_.asked.clear();
    SampleDoc clean(&services_);
    EXPECT_TRUE(clean.SaveModified());
    EXPECT_TRUE(prompter_.asked.empty());
}

// "Save changes?" answered Yes with a save that fails: the close stops
// with the failure (not a cancel), shown once as an error after the
// question, and the file on disc is the one saved before.
TEST_F(DocumentTest, SaveModifiedWhoseSaveFailsStopsWithTheFailureShownOnce) {
    const std::string good = savedSample("kept.smp");
    SampleDoc d(&services_);
    d.SetPathName(path("kept.smp"));
    d.SetModifiedFlag(true);
    d.failOn = SampleDoc::Fail::RuntimeError;
    prompter_.pushMessageAnswer(MsgResult::Yes);
    const Status saved = shown(prompter_, d.SaveModified());
    EXPECT_FALSE(saved.ok() || saved.isSilent());
    EXPECT_EQ(readFile(path("kept.smp")), good);
    ASSERT_EQ(prompter_.asked.size(), 2u);
    EXPECT_EQ(prompter_.asked[1].icon, MsgIcon::Error);
    EXPECT_EQ(prompter_.asked[1].text, std::string(Document::kSaveFailed) + "\n" + path("kept.smp") + ": value out of range");
    EXPECT_EQ(Document::failureReason(saved), path("kept.smp") + ": value out of range");
}

// A window's title marks a modified document: its views hear each change
// of the modified state after the stack has moved, undo back to the saved
// state included (an edit's own update comes while the step runs).
TEST_F(DocumentTest, ViewsHearTheModifiedStateChangeOnEditUndoRedoAndSave) {
    struct Title : DocumentView {
        std::vector<bool> told;
        void OnUpdate(Document*, long) override {}
        void OnModifiedChanged(Document* d) override { told.push_back(d->IsModified()); }
    } title;
    SampleDoc d(&services_);
    d.AddView(&title);
    for (const char* text : {"one", "two"}) d.pushEdit("Edit", [&d, text] { d.text = text; }, [&d] { d.text = ""; });
    d.undoStack().undo();
    d.undoStack().undo();
    d.undoStack().redo();
    ASSERT_TRUE(d.OnSaveDocument(path("told.smp")));
    EXPECT_EQ(title.told, (std::vector<bool>{true, false, true, false})) << "told on changes only";
    d.RemoveView(&title);
}

TEST_F(DocumentTest, UntitledDocumentsAreSavedUnderTheTemplatesExtensionOnly) {
    DocTemplate t(10002, "\nImage\nImage\nImages (*.cs1)\n.cs1", "ZBasicDoc", "ZBasicView");
    SampleDoc d(&services_);
    d.setDocTemplate(&t);
    d.SetTitle("Image1");
    d.SetModifiedFlag(true);

    // Closing: Yes, then the Save As chooser is cancelled: the close is
    // cancelled too.
    prompter_.pushMessageAnswer(MsgResult::Yes);
    prompter_.pushSaveFile(std::nullopt);
    EXPECT_TRUE(shown(prompter_, d.SaveModified()).isCancelled());
    ASSERT_EQ(prompter_.asked.size(), 2u);
    EXPECT_EQ(prompter_.asked[0].text, "Save changes to Image1?");
    EXPECT_EQ(prompter_.asked[1].kind, "save");
    EXPECT_TRUE(d.IsModified());

    // A name without extension gets the template's.
    prompter_.pushMessageAnswer(MsgResult::Yes);
    prompter_.pushSaveFile(path("chosen"));
    EXPECT_TRUE(d.SaveModified());
    EXPECT_TRUE(fs::exists(path("chosen.cs1")));
    EXPECT_EQ(d.GetTitle(), "chosen.cs1");
    EXPECT_FALSE(d.IsModified());

    // A picture opened as a new document: accepting the proposal as it
    // stands, or typing the picture's name, never writes over the picture.
    SampleDoc e(&services_);
    e.setDocTemplate(&t);
    e.SetTitle("n1.bmp");
    writeFile(path("n1.bmp"), "BM picture");
    prompter_.pushSaveFile(path("n1.bmp"));
    ASSERT_TRUE(e.DoSave({}, true));
    EXPECT_EQ(prompter_.lastProposedName, "n1.cs1");
    EXPECT_EQ(e.GetPathName(), path("n1.bmp.cs1"));
    EXPECT_EQ(readFile(path("n1.bmp")), "BM picture");
    prompter_.pushSaveFile(path("n2.CS1"));
    ASSERT_TRUE(e.DoSave({}, true));
    EXPECT_EQ(e.GetPathName(), path("n2.CS1"));
}

// A document nobody gave services to, or services without a prompter, must
// fail at the first question rather than answer it silently.
TEST(AppServicesTest, MissingServicesFailLoudly) {
    Document d;
    EXPECT_THROW(d.services(), ordavia::MissingService);
    // A modified document closing with nobody to ask is not saved or
    // dropped behind the user's back.
    d.SetModifiedFlag(true);
    EXPECT_THROW((void)d.SaveModified(), ordavia::MissingService);
    d.SetModifiedFlag(false);
    ordavia::AppServices services;
    d.setServices(&services);
    EXPECT_THROW(d.services().prompter(), ordavia::MissingService);
    ScriptedPrompter p;
    services.prompterPtr = &p;
    EXPECT_EQ(&d.services().prompter(), &p);
    // Without an application the services keep what a command hands over.
    Document* kept = services.openDocument(std::make_unique<Document>());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(services.findTemplate("ZBasicDoc"), nullptr);
    // A service of a higher layer is filed under the type it was given as,
    // and taking it away is asking for it again.
    struct Upper {};
    struct Derived : Upper {};
    Derived upper;
    services.provide<Upper>(&upper);
    EXPECT_EQ(services.find<Upper>(), &upper);
    EXPECT_EQ(services.find<Derived>(), nullptr);
    services.provide<Upper>(nullptr);
    EXPECT_THROW(services.need<Upper>("upper"), ordavia::MissingService);
}

// A reused chart belongs to its run: other services do not see it, and
// once it closes it is not handed out again.
TEST(AppServicesTest, KeptDocumentsAreTheRunsAndForgottenWhenClosed) {
    ordavia::AppServices run, other;
    auto chart = std::make_unique<Document>();
    run.keepDocument("chart", chart.get());
    EXPECT_EQ(run.keptDocument("chart"), chart.get());
    EXPECT_EQ(other.keptDocument("chart"), nullptr);
    chart.reset();
    EXPECT_EQ(run.keptDocument("chart"), nullptr);
    // Values kept for the run belong to that run alone, one per type.
    struct HalfWidth {
        int samples = 0;
    };
    run.runValue<HalfWidth>().samples = 7;
    EXPECT_EQ(run.runValue<HalfWidth>().samples, 7);
    EXPECT_EQ(other.runValue<HalfWidth>().samples, 0);
    EXPECT_EQ(run.runValue<int>(), 0) << "another type is another value";
}

}  // namespace
