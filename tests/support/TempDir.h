#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvtest-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Creates a file (and its directories) below the temporary directory.
    std::filesystem::path touch(const std::string& relative, const std::string& content = "x") const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << content;
        return file;
    }

    std::filesystem::path mkdir(const std::string& relative) const {
        const std::filesystem::path dir = path_ / relative;
        std::filesystem::create_directories(dir);
        return dir;
    }

private:
    std::filesystem::path path_;
};
