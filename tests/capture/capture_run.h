// Runs the capture tool as a user would, and reads back what it wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace capturetest {

struct RunResult {
    int exitCode = -1;
    std::string errorText;  // standard error
};

// The tool with these arguments (each passed as one word), from the build folder, with
// extra "NAME=value" words put before it in the environment.
RunResult runCapture(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

struct LogLine {
    std::uint64_t frame = 0;
    std::uint32_t ms = 0;
    int order = 0, row = 0;
    std::string scene;
    double renderMs = 0;
};
std::vector<LogLine> readLog(const std::string& path);

struct StatsLine {
    std::uint64_t frame = 0;
    int swaps = 0;
    double brightness = 0;  // mean of all channels, 0..255
    double change = 0;      // mean absolute difference from the previous picture on screen
    int textNodes = 0;
    double rootRotation[3] = {0, 0, 0};
};
std::vector<StatsLine> readStats(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed with its contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

std::string toolPath();
std::string demoDir();
std::vector<std::uint8_t> fileBytes(const std::string& path);

}  // namespace capturetest
