#pragma once
// A fresh temporary folder per test, named after the test, and whole-file
// helpers. The working directory is put back afterwards: the application
// under test moves it to its program folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        cwd_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("ordavia-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(cwd_);
        std::filesystem::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // What the folder holds: a save that leaves a temporary behind shows here.
    size_t entries() const { return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_), {})); }

    static void writeFile(const std::string& p, const std::string& text) {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f << text;
    }
    static std::string readFile(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_, cwd_;
};
