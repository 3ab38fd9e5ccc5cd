#pragma once

#include <filesystem>
#include <string>

#include "testsupport.h"

// Writes an executable shell script that stands in for the Java runtime running the
// converter, and returns its path. The script gets the converter's arguments; "$5" is the
// output path.
inline std::string WriteStandInConverter(const TemporaryFolder& folder, const std::string& name,
                                         const std::string& body) {
    const std::string path = folder.Write(name, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}
