// The chart commands of ordavia-cli: import a text export with a heading
// line and a time column, read it back with info and spectrum, export it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "support/CliRun.h"
#include "support/MveBytes.h"

namespace fs = std::filesystem;
using clitest::cli;

TEST(CliChart, ImportInfoSpectrumExport) {
    testsupport::ScratchDir scratch("cli-chart");
    const fs::path dir = scratch.dir;
    {
        std::ofstream f(dir / "ldf.txt");
        f << "Time (s),Flux (PU)\n";
        // 1024 samples at 1 kHz of a 125 Hz tone: bin 64 of 512-point spectra.
        for (int i = 0; i < 1024; ++i) f << i * 0.001 << "," << 50 + 20 * std::sin(2 * M_PI * 125 * i * 0.001) << "\n";
    }
    const std::string zv1 = (dir / "a.zv1").string();
    auto r = cli("chart import " + (dir / "ldf.txt").string() + " " + zv1 + " --text --columns 2 --rows 5000 --type 7", dir);
    ASSERT_EQ(r.code, 0) << r.out;
    r = cli("info " + zv1 + " --json", dir);
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* k : {"\"traces\"", "\"name\": \"col2\"", "\"class\": \"CTrace\"", "\"type\": 8", "\"count\": 1024",
                          "\"components\": 1", "\"x_period\"", "\"x_unit\"", "\"y_unit\"", "\"markers\": []"})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;

    r = cli("spectrum " + zv1 + " --trace col2 --window 2 --json", dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"rows\":2"), std::string::npos) << r.out.substr(0, 200);
    EXPECT_NE(r.out.find("\"frequencies\":[0,"), std::string::npos);
    EXPECT_NE(cli("spectrum " + zv1 + " --trace nope --json", dir).code, 0);

    r = cli("chart export " + zv1 + " " + (dir / "o.bin").string() + " --trace col2", dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(fs::file_size(dir / "o.bin"), 1024u * 8);
    r = cli("chart import " + (dir / "o.bin").string() + " " + (dir / "b.zv1").string() + " --binary --type 7 --count 10",
            dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(cli("info " + (dir / "b.zv1").string(), dir).out.find("10 x 1"), std::string::npos);
    EXPECT_NE(cli("chart import " + (dir / "o.bin").string() + " x.zv1 --binary", dir).code, 0) << "needs --type";
    EXPECT_NE(cli("info " + (dir / "ldf.txt").string() + ".zv1", dir).code, 0);
}

TEST(CliChart, TextImportRefusesNothingJunkRaggedIntegersAndItsOwnInput) {
    testsupport::ScratchDir d("cli-chart-refuse");
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(d / name, std::ios::binary) << bytes;
        return d / name;
    };
    std::string junk;
    for (uint32_t i = 0, x = 12345; i < 4096; ++i) junk += char((x = x * 1103515245u + 12345u) >> 24);
    const std::string out = d / "o.zv1", ragged = write("ragged.txt", "1,10\n2\n3,30\n");
    // Nothing, junk, and a gap an integer trace cannot hold: refused, nothing written.
    for (const std::string& in : {write("empty.txt", ""), write("junk.txt", junk), ragged}) {
        EXPECT_EQ(cli("chart import " + in + " " + out + " --text --columns 2 --rows 9", d.dir).code, 1) << in;
        EXPECT_FALSE(fs::exists(out)) << in;
    }
    ASSERT_EQ(cli("chart import " + ragged + " " + out + " --text --columns 2 --rows 9 --type 6", d.dir).code, 0);
    EXPECT_NE(cli("info " + out + " --json", d.dir).out.find("\"count\": 3"), std::string::npos);
    // The input under another name is still the input.
    fs::create_symlink(ragged, d / "link.zv1");
    EXPECT_EQ(cli("chart import " + ragged + " " + (d / "link.zv1") + " --text --columns 2 --rows 9 --type 6", d.dir).code, 1);
    EXPECT_EQ(fs::file_size(ragged), 12u);
    // One line of 200,000 values: read once, every column its own value.
    std::string wide;
    for (int i = 0; i < 200000; ++i) wide += std::to_string(i % 97) + (i + 1 < 200000 ? "," : "\n");
    const auto r = cli("chart import " + write("wide.txt", wide) + " " + out + " --text --columns 100000 --rows 1", d.dir);
    EXPECT_NE(r.out.find("100000 traces"), std::string::npos) << r.out;
}
