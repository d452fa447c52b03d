#include "ScratchAssets.h"

#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "platform/system/ExecutablePath.h"

ScratchAssets::ScratchAssets() {
    std::string exe;
    readExecutablePath(exe);
    exeDir_ = std::filesystem::path(exe).parent_path();
    // Named after the running test, so that a death test's re-executed child, which writes
    // the same files again, sees the names its parent expects; tests running in parallel
    // processes still never share a folder.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = "qv-gltest-" + (test ? std::string(test->test_suite_name()) + "-" + test->name()
                                   : std::to_string(getpid()));
    std::filesystem::create_directories(exeDir_ / folder_);
}

ScratchAssets::~ScratchAssets() {
    std::error_code ignored;
    std::filesystem::remove_all(exeDir_ / folder_, ignored);
}

std::string ScratchAssets::write(const std::string& fileName, const std::vector<unsigned char>& bytes) const {
    std::ofstream out(exeDir_ / folder_ / fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return folder_ + "/" + fileName;
}

std::string ScratchAssets::write(const std::string& fileName, const std::string& text) const {
    return write(fileName, std::vector<unsigned char>(text.begin(), text.end()));
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}
