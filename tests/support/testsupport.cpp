#include "testsupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

std::string SharedTripleAFolder() {
    const char* overridden = std::getenv("QUELM_SHARED");
    const fs::path shared = overridden && *overridden ? fs::path(overridden) : fs::path(QUELM_SHARED_DIR);
    const fs::path folder = shared / "triplea" / "triplea_0_8_2_1";
    std::error_code error;
    return fs::is_directory(folder, error) ? fs::canonical(folder, error).string() : std::string();
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "quelm-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code error;
    fs::remove_all(path, error);
}

std::string TemporaryFolder::Write(const std::string& name, const std::string& bytes) const {
    const fs::path file = fs::path(path) / name;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file.string();
}

std::string TemporaryFolder::MakeFolder(const std::string& name) const {
    const fs::path folder = fs::path(path) / name;
    fs::create_directories(folder);
    return folder.string();
}
