// Text and path helpers where stored Windows paths and long texts meet
// them, atomic saving, and the JSON writer's escaping.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "base/FileIO.h"
#include "base/FileIOTesting.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TinyDisc.h"

using namespace ordavia;

namespace fs = std::filesystem;

namespace {

TEST(Text, StrprintfBeyondTheSmallBufferAndCaseInsensitiveNames) {
    const std::string long1 = strprintf("%s|%d", std::string(600, 'a').c_str(), 42);
    EXPECT_EQ(long1, std::string(600, 'a') + "|42");
    EXPECT_EQ(strprintf("%511s", "x").size(), 511u);  // just fits
    EXPECT_EQ(strprintf("%512s", "x").size(), 512u);  // just does not
    EXPECT_TRUE(iequals("Settings", "sETTINGS"));
    EXPECT_FALSE(iequals("Settings", "Setting"));
    EXPECT_FALSE(iequals("a", "\xc1"));  // no locale folding of high bytes into ASCII
    EXPECT_TRUE(endsWithNoCase("D:\\X\\A.CS1", ".cs1"));
    EXPECT_FALSE(endsWithNoCase("cs1", ".cs1"));
}

TEST(Paths, WindowsAndPosixPaths) {
    struct Case {
        const char* path;
        const char* name;
        const char* folder;
        const char* ext;
        const char* stem;
    };
    const Case cases[] = {
        {"D:\\data\\a.mve", "a.mve", "D:\\data\\", ".mve", "D:\\data\\a"},
        {"/home/u/scan.v2/b.zvl", "b.zvl", "/home/u/scan.v2/", ".zvl", "/home/u/scan.v2/b"},
        {"D:\\scan.v2\\movie", "movie", "D:\\scan.v2\\", "", "D:\\scan.v2\\movie"},  // dot in a folder only
        {"D:/mixed\\sep/c.tar.gz", "c.tar.gz", "D:/mixed\\sep/", ".gz", "D:/mixed\\sep/c.tar"},
        {"plain.cs1", "plain.cs1", "", ".cs1", "plain"},
        {"C:\\", "", "C:\\", "", "C:\\"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fileNameOf(c.path), c.name);
        EXPECT_EQ(folderOf(c.path), c.folder);
        EXPECT_EQ(extensionOf(c.path), c.ext);
        EXPECT_EQ(withoutExtension(c.path), c.stem);
    }
    EXPECT_EQ(joinPath("D:\\data\\", "a.mve"), "D:\\data\\a.mve");
    EXPECT_EQ(joinPath("/tmp", "a"), "/tmp/a");
}

class FileIOTest : public TempFolderTest {};

TEST_F(FileIOTest, AtomicWriteReplacesAndKeepsPermissions) {
    const std::string p = path("a.cs1");
    ASSERT_TRUE(writeFileAtomically(p, std::string("old")).ok());
    ::chmod(p.c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(p, std::string("new contents")).ok());
    EXPECT_EQ(readFile(p), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(entries(), 1u) << "temporary file left behind";
    ASSERT_TRUE(writeFileAtomically(p, std::vector<uint8_t>{}).ok());
    EXPECT_EQ(fs::file_size(p), 0u);
}

TEST_F(FileIOTest, NewFilesAreNoMoreOpenThanTheirFolderAndSetsKeepReplacedModes) {
    const auto mode = [](const std::string& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 07777;
    };
    fs::create_directory(path("private"));
    ::chmod(path("private").c_str(), 0700);
    ::chmod(dir_.c_str(), 0755);
    ASSERT_TRUE(writeFileAtomically(path("private/a.cs1"), std::string("x")));
    EXPECT_EQ(mode(path("private/a.cs1")), 0600u);
    ASSERT_TRUE(writeFileAtomically(path("open.cs1"), std::string("x")));
    EXPECT_EQ(mode(path("open.cs1")), 0644u);
    ASSERT_TRUE(writeFileAtomically(path("report.pdf"), std::string("x"), kPrivateFileMode));
    EXPECT_EQ(mode(path("report.pdf")), 0600u);

    // A set staged in its private folder: each file as it would be alone.
    ::chmod(path("open.cs1").c_str(), 0640);
    auto set = openSaveSet(path("open.cs1"));
    ASSERT_TRUE(set);
    for (const char* name : {"open.cs1", "open.bmp"})
        ASSERT_TRUE(writeFileAtomically(set->stage(path(name)), std::string("y")));
    ASSERT_TRUE(commitSaveSet(*set));
    EXPECT_EQ(mode(path("open.cs1")), 0640u);
    EXPECT_EQ(mode(path("open.bmp")), 0644u);
}

TEST_F(FileIOTest, TargetThatIsAFolderFailsCleanly) {
    const std::string p = path("folder.rst");
    fs::create_directory(p);
    std::ofstream(path("folder.rst/inside")) << "x";
    const ordavia::Status r = writeFileAtomically(p, std::string("data"));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(fs::is_directory(p));
    EXPECT_TRUE(fs::exists(path("folder.rst/inside")));
    EXPECT_EQ(entries(), 1u);
    // A missing folder is an error naming the file, not a crash.
    EXPECT_FALSE(writeFileAtomically(path("no/such/x.cs1"), std::string("d")).ok());
}

TEST_F(FileIOTest, ReadingRefusesOversizedAndNonFilesAndFifosWithoutBlocking) {
    std::vector<uint8_t> out{1, 2, 3};
    // A sparse file far above the limit: refused before any allocation.
    const std::string big = path("big.mve");
    { std::ofstream(big).put('x'); }
    fs::resize_file(big, uint64_t(3) << 30);
    ordavia::Status r = readFileBytes(big, out, uint64_t(1) << 20);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.reason().find("too large"), std::string::npos);
    r = readFileBytes(dir_.string(), out);
    EXPECT_FALSE(r.ok());
    r = readFileBytes(path("missing"), out);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.reason().find("missing"), std::string::npos);
    const std::string small = path("small");
    std::ofstream(small) << "abc";
    ASSERT_TRUE(readFileBytes(small, out, 3).ok());  // exactly at the limit
    EXPECT_EQ(out, (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_TRUE(fileExists(small));
    EXPECT_FALSE(fileExists(dir_.string()));
    // A FIFO given as a file is refused at once instead of waiting for a writer.
    const std::string fifo = path("n1.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(fifo, out).reason(), fifo + ": not a regular file");
}

TEST(JsonWriter, EscapesEverythingJsonForbids) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"a\"b\\c/", "a\\\"b\\\\c/"},
        {"\n\r\t\b\f", "\\n\\r\\t\\b\\f"},
        {std::string("\x00\x01\x1f\x7f", 4), "\\u0000\\u0001\\u001f\x7f"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},  // valid UTF-8
        {"caf\xe9", "caf\xc3\xa9"},                 // a Windows code-page byte becomes its Latin-1 character
        {"\xe2\x82", "\xc3\xa2\xc2\x82"},           // cut-off sequence
        {"\xc0\x80", "\xc3\x80\xc2\x80"},           // overlong NUL
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},  // surrogate
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},  // above U+10FFFF
    };
    for (const Case& c : cases) EXPECT_EQ(JsonWriter::escape(c.in), c.out) << c.in;
}

TEST(JsonWriter, NumbersAndStructure) {
    JsonWriter w(false);
    w.beginObject()
        .field("nan", std::numeric_limits<double>::quiet_NaN())
        .field("inf", -std::numeric_limits<double>::infinity())
        .field("tenth", 0.1)
        .field("third", 1.0 / 3)
        .field("big", 1e300)
        .field("u64", std::numeric_limits<unsigned long long>::max())
        .field("i64", std::numeric_limits<long long>::min())
        .key("list")
        .beginArray()
        .value(true)
        .null()
        .beginObject()
        .endObject()
        .beginArray()
        .endArray()
        .endArray()
        .endObject();
    EXPECT_EQ(w.str(),
              "{\"nan\":null,\"inf\":null,\"tenth\":0.1,\"third\":0.3333333333333333,\"big\":1e+300,"
              "\"u64\":18446744073709551615,\"i64\":-9223372036854775808,\"list\":[true,null,{},[]]}");
}

size_t openDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}
int failingFsync(int) {
    errno = EIO;
    return -1;
}

// A flush that fails closes the temporary, removes it and keeps the old file.
TEST_F(FileIOTest, FailedFlushLeaksNoDescriptor) {
    const std::string p = path("n1.cs1");
    ASSERT_TRUE(writeFileAtomically(p, std::string("old")).ok());
    const size_t before = openDescriptors();
    ordavia::setFsyncForTesting(failingFsync);
    const ordavia::Status s = writeFileAtomically(p, std::string("new"));
    ordavia::setFsyncForTesting(nullptr);
    EXPECT_FALSE(s);
    EXPECT_EQ(s.reason(), p + ": Input/output error");
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(readFile(p), "old");
    EXPECT_EQ(entries(), 1u);
}

// A full disc says so in words and keeps the previous file.
TEST_F(FileIOTest, FullDiscGivesTheSystemsReason) {
    testsupport::TinyDisc disc;
    if (!disc.ok()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string p = disc.path("n1.cs1");
    ASSERT_TRUE(writeFileAtomically(p, std::string("previous")).ok());
    disc.fill();
    const ordavia::Status s = writeFileAtomically(p, std::string(256 * 1024, 'x'));
    EXPECT_EQ(s.reason(), p + ": No space left on device");
    EXPECT_EQ(s.code(), ordavia::StatusCode::NoSpace);
    EXPECT_EQ(readFile(p), "previous");
}

void ignoreSignal(int) {}

// Every writer goes through one loop: signals and short writes lose no
// byte, and a positioned write leaves the descriptor's offset alone.
TEST_F(FileIOTest, WriteAllSurvivesSignalsAndKeepsTheOffset) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    struct sigaction quiet {}, old {};
    quiet.sa_handler = ignoreSignal;  // no SA_RESTART: writes come back interrupted or short
    ASSERT_EQ(::sigaction(SIGALRM, &quiet, &old), 0);
    const itimerval every{{0, 200}, {0, 200}}, off{};
    ASSERT_EQ(::setitimer(ITIMER_REAL, &every, nullptr), 0);
    std::string sent(1 << 20, '\0'), got;
    for (size_t i = 0; i < sent.size(); ++i) sent[i] = char(i * 7 % 251);
    std::thread reader([&] {
        char buf[4096];
        for (ssize_t k; (k = ::read(pipeFds[0], buf, sizeof buf)) != 0;)
            if (k > 0) got.append(buf, size_t(k));
    });
    const ordavia::Status s = ordavia::writeAll(pipeFds[1], sent.data(), sent.size());
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::close(pipeFds[1]);
    reader.join();
    ::close(pipeFds[0]);
    ::sigaction(SIGALRM, &old, nullptr);
    EXPECT_TRUE(s.ok()) << s.reason();
    EXPECT_TRUE(got == sent) << got.size() << " of " << sent.size() << " bytes arrived";

    const std::string p = path("positioned");
    std::ofstream(p) << "abcdef";
    const int fd = ::open(p.c_str(), O_RDWR);
    ASSERT_TRUE(ordavia::writeAll(fd, "XY", 2, 2).ok());
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 0);
    ::close(fd);
    EXPECT_EQ(readFile(p), "abXYef");
}

// Temporaries of a killed save go at the next save of the same file; one
// still being written (locked) and those of other files stay.
TEST_F(FileIOTest, LeftoverTemporariesAreRemovedAtTheNextSave) {
    std::ofstream(path(".n1.cs1.AbC123")) << "left by a killed save";
    std::ofstream(path(".n2.cs1.AbC123")) << "another file's";
    std::ofstream(path(".n1.cs1.Busy42")) << "being written";
    const int busy = ::open(path(".n1.cs1.Busy42").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    ASSERT_TRUE(writeFileAtomically(path("n1.cs1"), std::string("doc")).ok());
    ::close(busy);
    EXPECT_FALSE(fs::exists(path(".n1.cs1.AbC123")));
    EXPECT_TRUE(fs::exists(path(".n1.cs1.Busy42")));
    EXPECT_TRUE(fs::exists(path(".n2.cs1.AbC123")));
}

// An output may not be its input under any name: another spelling of the
// path, a hard link or a symbolic link all reach the same file.
TEST_F(FileIOTest, OutputThatIsTheInputIsRefusedUnderEveryName) {
    const std::string in = path("a.mve");
    writeFile(in, "frames");
    ASSERT_EQ(::link(in.c_str(), path("hard.mve").c_str()), 0);
    ASSERT_EQ(::symlink(in.c_str(), path("soft.mve").c_str()), 0);
    for (const std::string& out : {in, path("./a.mve"), path("../") + dir_.filename().string() + "/a.mve", path("hard.mve"),
                                   path("soft.mve")}) {
        SCOPED_TRACE(out);
        EXPECT_TRUE(sameFile(in, out));
        const Status s = refuseOutputIsInput(in, out);
        EXPECT_EQ(s.code(), StatusCode::AlreadyExists);
    }
    writeFile(path("b.mve"), "frames");
    EXPECT_TRUE(refuseOutputIsInput(in, path("b.mve")).ok());
    EXPECT_TRUE(refuseOutputIsInput(in, path("new.mve")).ok());
    EXPECT_FALSE(refuseOutputIsInput({path("b.mve"), in}, path("soft.mve")).ok());
}

}  // namespace
