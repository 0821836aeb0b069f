// Hands fuzz input to readers that only take a file name: the bytes go into an anonymous
// in-memory file that is reopened through /proc, so no disk file is written per run.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

class FuzzInputFile {
public:
    FuzzInputFile() {
        fd = memfd_create("fuzz-input", 0);
        if (fd < 0) std::abort();
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    const std::string& write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
        return path;
    }

private:
    int fd = -1;
    std::string path;
};
