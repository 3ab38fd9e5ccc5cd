#pragma once

#include <cstdio>
#include <memory>

// A C stream that is closed with its holder.
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileClose>;
