#pragma once
#include <filesystem>
#include <string>
#include <vector>

// Asset files a test writes next to the test program, where the asset search (which starts
// at the executable's directory) finds them exactly once. Names are relative to that
// directory, like the game's "../assets/..." names; the directory is removed afterwards.
class ScratchAssets {
public:
    ScratchAssets();
    ~ScratchAssets();
    ScratchAssets(const ScratchAssets&) = delete;
    ScratchAssets& operator=(const ScratchAssets&) = delete;

    // Writes the file and returns its asset name.
    std::string write(const std::string& fileName, const std::vector<unsigned char>& bytes) const;
    std::string write(const std::string& fileName, const std::string& text) const;

    const std::filesystem::path& executableDirectory() const { return exeDir_; }

private:
    std::filesystem::path exeDir_;
    std::string folder_;
};

// Runs a block with the working directory changed, and changes it back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir);
    ~WorkingDirectory();

private:
    std::filesystem::path previous_;
};
