#pragma once

#include <string>

#include <gtest/gtest.h>

// The real TripleA 0.8.2.1 installation shared beside the project, or "" when it is absent.
std::string SharedTripleAFolder();

// Skips the current test, with a message, when the shared TripleA files are absent.
#define QUELM_REQUIRE_SHARED_TRIPLEA(folderVariable)                                    \
    const std::string folderVariable = SharedTripleAFolder();                           \
    if (folderVariable.empty())                                                         \
    GTEST_SKIP() << "shared TripleA files not found (set QUELM_SHARED or place ../shared " \
                    "beside the project)"

// A fresh temporary folder, removed again with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& Path() const { return path; }
    // Path of name inside the folder.
    std::string File(const std::string& name) const { return path + "/" + name; }
    // Writes bytes to name inside the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // Creates the sub-folder name (and its parents) and returns its path.
    std::string MakeFolder(const std::string& name) const;

private:
    std::string path;
};
