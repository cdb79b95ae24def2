// Helpers for fuzz targets that must hand their input to a parser as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace pelquor::fuzz {

// A private folder for the run, made once.
inline const std::string& scratch_folder() {
    static std::string folder = [] {
        // tmpfs keeps the fsync of each atomic save cheap.
        char tmpl[] = "/dev/shm/pelquor-fuzz-XXXXXX";
        char* p = ::mkdtemp(tmpl);
        return std::string(p ? p : "/tmp") + "/";
    }();
    return folder;
}

inline void write_bytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace pelquor::fuzz
