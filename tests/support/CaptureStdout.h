#pragma once
#include <iostream>
#include <sstream>
#include <string>

// Collects everything written to std::cout while it lives.
class CaptureStdout {
public:
    CaptureStdout() : previous(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CaptureStdout() { std::cout.rdbuf(previous); }
    CaptureStdout(const CaptureStdout&) = delete;
    CaptureStdout& operator=(const CaptureStdout&) = delete;

    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};

inline int countOccurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}
