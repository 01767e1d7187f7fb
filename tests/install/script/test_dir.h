// A fresh directory under the temporary directory for one test, removed with
// everything in it afterwards.
#pragma once
#include <windows.h>
#include <string>

class TestDir {
public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;
    // Full path with a final backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Writes bytes to a file, replacing it.
void WriteFileText(const std::string& path, const std::string& text);
