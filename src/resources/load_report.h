// Pictures that fail to load while a scene is built are reported together: one box when the
// scene is built, listing each file that failed, and a file already reported (several scenes
// share pictures) is not reported again.  A person watching answers one box per scene instead
// of one per picture, and sees which files are at fault.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace resources {

// What one run has reported so far; lives as long as the TextureManager that holds it.
struct LoadReport {
    std::set<std::string> reportedFiles;
};

// While one lives, failures are gathered; its end shows them in one message.  Outside a
// LoadStep each failure is shown at once, as the loaders always did.
class LoadStep {
public:
    explicit LoadStep(LoadReport& report);
    ~LoadStep();
    LoadStep(const LoadStep&) = delete;
    LoadStep& operator=(const LoadStep&) = delete;

private:
    LoadReport& report;
    LoadStep* outer;
    struct Failure {
        std::string text;
        std::string caption;
    };
    std::vector<Failure> failures;
    friend void reportLoadFailure(const std::string&, const std::string&, const std::string&);
};

// A loader's message for `fileName`: shown now, or gathered by the LoadStep in progress.
void reportLoadFailure(const std::string& fileName, const std::string& text, const std::string& caption);

}  // namespace resources
