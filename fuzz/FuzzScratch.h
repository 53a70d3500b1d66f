// A file of the target's own in /tmp for loaders that read only from a path; it goes when
// the fuzzer exits.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

inline std::string ScratchPath(const char* target) {
    std::string name = std::string("/tmp/tw-fuzz-") + target + "-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) std::abort();
    close(fd);
    static std::string path;
    path = name;
    std::atexit([] { unlink(path.c_str()); });
    return path;
}
