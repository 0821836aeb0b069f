#include "capture/capture_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/png.h"
#include "support/test_paths.h"

namespace capturetest {

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string toolPath() { return std::string(testpaths::toolsDir) + "/velastria-capture"; }
std::string demoDir() { return testpaths::demoDir; }

RunResult runCapture(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    TempDir scratch;
    const std::string errFile = scratch / "stderr.txt";
    std::string command = "env";
    for (const auto& e : env) command += " " + quote(e);
    command += " " + quote(toolPath());
    for (const auto& a : args) command += " " + quote(a);
    command += " 2>" + quote(errFile) + " >/dev/null";
    const int status = std::system(command.c_str());
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    r.errorText = text.str();
    return r;
}

std::vector<LogLine> readLog(const std::string& path) {
    std::vector<LogLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream s(text);
        LogLine l;
        if (s >> l.frame >> l.ms >> l.order >> l.row >> l.scene >> l.renderMs) lines.push_back(l);
        else lines.push_back(LogLine{~0ull, 0, -1, -1, "unreadable:" + text, 0});
    }
    return lines;
}

std::vector<StatsLine> readStats(const std::string& path) {
    std::vector<StatsLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream s(text);
        StatsLine l;
        if (s >> l.frame >> l.swaps >> l.brightness >> l.change >> l.textNodes >> l.rootRotation[0] >> l.rootRotation[1] >>
            l.rootRotation[2])
            lines.push_back(l);
        else
            lines.push_back(StatsLine{~0ull, -1, -1, -1, -1, {0, 0, 0}});
    }
    return lines;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "capture_test_XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) dir = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    toolfiles::readFile(path, bytes);
    return bytes;
}

}  // namespace capturetest
