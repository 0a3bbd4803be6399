// "ordavia-cli synth doppler", "doppler" and "info" on a monitor recording,
// run as a user would: the JSON keys are a contract with scripts, and the
// command line and the monitor give the same numbers for the same samples.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "app/ExamReport.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/Trv2Board.h"
#include "support/CliRun.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"
#include "synth/SyntheticDoppler.h"

namespace fs = std::filesystem;

namespace {
double jsonNumber(const std::string& text, const std::string& key) {
    const std::regex re("\"" + key + "\": ([-0-9.e]+)");
    std::smatch m;
    return std::regex_search(text, m, re) ? std::stod(m[1]) : -1e300;
}
}  // namespace

TEST(CliDoppler, SynthesisedRecordingAnalysedWithTheDocumentedKeys) {
    testsupport::ScratchDir scratch("cli-doppler");
    auto run = [&](const std::string& args) { return clitest::cli(args, scratch.dir); };
    const std::string raw = scratch / "r.bin", truth = scratch / "r.json";
    ASSERT_EQ(run("synth doppler " + raw + " --truth " + truth + " --seconds 4 --heart-rate 90").code, 0);
    EXPECT_EQ(fs::file_size(raw), 4u * 40000u * 2u);
    std::ifstream tf(truth);
    const std::string t((std::istreambuf_iterator<char>(tf)), {});

    const auto r = run("doppler " + raw + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    // The keys, in this order and no others (std::regex would recurse over
    // the long array).
    const std::regex key(R"re("([a-z_]+)":)re");
    std::string keys;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), key); it != std::sregex_iterator(); ++it)
        keys += (*it)[1].str() + " ";
    EXPECT_EQ(keys, "cbv mean systolic diastolic pi ri warnings ");
    const size_t open = r.out.find('['), close = r.out.find(']');
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos);
    EXPECT_EQ(std::count(r.out.begin() + long(open), r.out.begin() + long(close), ',') + 1, 1600) << "a velocity per 100 samples";
    // The profile's rectangular window reads high; within a third here, the
    // accuracy suite holds the methods to their real margins.
    EXPECT_NEAR(jsonNumber(r.out, "mean"), jsonNumber(t, "mean"), 0.33 * jsonNumber(t, "mean"));

    for (const char* bad : {" --method 5", " --block 100", " --rate 10", " --window x"}) {
        const auto e = run("doppler " + raw + bad);
        EXPECT_EQ(e.code, 1) << bad;
        EXPECT_EQ(e.out.rfind("ordavia-cli: ", 0), 0u) << e.out;
    }
    std::ofstream(scratch / "short.bin", std::ios::binary).write("\1\2\3", 3);
    EXPECT_EQ(run("doppler " + (scratch / "short.bin")).code, 1);
    EXPECT_EQ(run("synth doppler " + raw + " --truth " + truth + " --vmax 9").code, 1) << "beyond the bandwidth";
}

TEST(CliDoppler, InfoOnAMonitorRecordingMatchesTheHeadlessRun) {
    testsupport::ScratchDir scratch("cli-doppler-info");
    ordavia::DopplerSynthParams p;
    p.seconds = 3;
    const auto rec = ordavia::synthesiseDoppler(p);
    ordavia::test::TestServices ts;
    ordavia::Trv2Board board;
    board.setPlayback(rec.samples);
    Ctrv2Doc monitor;
    ts.adopt(monitor);
    monitor.setBoard(&board);
    ASSERT_TRUE(monitor.OnNewDocument());
    ASSERT_TRUE(monitor.setInput(3.0, 0.1, 256));
    for (size_t i = 0; i < rec.samples.size() / 100; ++i) ASSERT_TRUE(monitor.processBlock(100));
    const std::string zv1 = scratch / "rec.zv1", raw = scratch / "rec.bin";
    ASSERT_TRUE(monitor.OnSaveDocument(zv1));
    {
        std::ofstream out(raw, std::ios::binary);
        out.write(reinterpret_cast<const char*>(rec.samples.data()), std::streamsize(rec.samples.size() * 2));
    }
    const auto info = clitest::cli("info " + zv1 + " --json", scratch.dir);
    ASSERT_EQ(info.code, 0) << info.out;
    ASSERT_NE(info.out.find("\"doppler\""), std::string::npos) << info.out;
    const auto head = clitest::cli("doppler " + raw + " --json", scratch.dir);
    for (const char* k : {"mean", "systolic", "diastolic", "pi", "ri"})
        EXPECT_DOUBLE_EQ(jsonNumber(info.out, k), jsonNumber(head.out, k)) << k;
    EXPECT_EQ(jsonNumber(info.out, "bandwidth_hz"), 20000.0);

    // Filed under an examination, the report lists the same five figures
    // with their units.
    ordavia::CSubjectDatabase db;
    ASSERT_TRUE(db.openPath(scratch / "orda.db"));
    ASSERT_TRUE(ordavia::insertSubject(db.handle(), "AB12"));
    ASSERT_TRUE(ordavia::insertExam(db.handle(), 42, "AB12", "left ring", "", "42-AB12"));
    fs::create_directories(scratch.dir / "42-AB12");
    fs::copy_file(zv1, scratch.dir / "42-AB12" / "rec.zv1");
    ASSERT_TRUE(ordavia::insertResult(db.handle(), 42, "rec.zv1", "Doppler"));
    const auto report = ordavia::collectExamReport(db, 42, ts.services);
    ASSERT_TRUE(report) << report.reason();
    ASSERT_EQ(report->items.size(), 1u);
    const std::string& listed = report->items[0].measurements;
    EXPECT_EQ(report->items[0].damaged, "");
    for (const auto& [k, line] : {std::pair{"mean", "mean velocity: %.4f mm/s"}, {"systolic", "systolic velocity: %.4f mm/s"},
                                  {"diastolic", "diastolic velocity: %.4f mm/s"}, {"pi", "PI: %.4f"}, {"ri", "RI: %.4f"}})
        EXPECT_NE(listed.find(ordavia::strprintf(line, jsonNumber(head.out, k))), std::string::npos) << k << ": " << listed;
}

TEST(CliDoppler, WhatIsNotAMeasurementIsToldAndNullNotZero) {
    testsupport::ScratchDir scratch("cli-doppler-told");
    auto run = [&](const std::string& args) { return clitest::cli(args, scratch.dir); };
    auto has = [](const clitest::CliRun& r, const std::string& text) { return r.out.find(text) != std::string::npos; };
    // Neither waits on a FIFO nor reads a folder.
    ASSERT_EQ(::mkfifo((scratch / "pipe.bin").c_str(), 0600), 0);
    fs::create_directory(scratch / "folder.bin");
    for (const char* name : {"pipe.bin", "folder.bin"})
        EXPECT_TRUE(has(run("doppler " + (scratch / name) + " --json"), "bin: not a regular file")) << name;

    // A realistic detector floor saturates the default edge method: said,
    // no figures, exit 1 (the automatic noise floor is held to the truth in
    // the doppler suite). Silence has no beats; an odd last byte is told.
    const std::string raw = scratch / "n.bin";
    ASSERT_EQ(run("synth doppler " + raw + " --truth " + (scratch / "n.json") + " --seconds 3 --floor 2").code, 0);
    std::ofstream(scratch / "quiet.bin", std::ios::binary).write(std::string(80001, '\0').data(), 80001);
    const auto sat = run("doppler " + raw + " --json"), quiet = run("doppler " + (scratch / "quiet.bin") + " --json");
    EXPECT_TRUE(sat.code == 1 && quiet.code == 1);
    for (const char* k : {"mean", "systolic", "diastolic", "pi", "ri"})
        EXPECT_TRUE(has(sat, "\"" + std::string(k) + "\": null") && has(quiet, "\"" + std::string(k) + "\": null")) << k;
    EXPECT_TRUE(has(sat, "\"warnings\": [\n    \"saturated: ")) << sat.out.substr(sat.out.find(']'));
    EXPECT_TRUE(has(quiet, "\"no beats: ") && has(quiet, "last byte")) << quiet.out.substr(quiet.out.find(']'));
}

TEST(CliDoppler, SynthRefusesTheTruthOverTheRecording) {
    testsupport::ScratchDir scratch("cli-doppler-synth-same");
    const std::string raw = scratch / "r.bin", fresh = scratch / "new.bin";
    std::ofstream(raw) << "kept";
    for (const std::string& truth : {raw, (scratch.dir / "." / "r.bin").string()})
        EXPECT_EQ(clitest::cli("synth doppler " + raw + " --truth " + truth + " --seconds 1", scratch.dir).out,
                  "ordavia-cli: " + truth + ": is also the output " + raw + "; write the two outputs to different files\n");
    EXPECT_EQ(fs::file_size(raw), 4u) << "the refused run wrote nothing";
    EXPECT_EQ(clitest::cli("synth doppler " + fresh + " --truth " + fresh + " --seconds 1", scratch.dir).code, 1);
    EXPECT_FALSE(fs::exists(fresh));
}
