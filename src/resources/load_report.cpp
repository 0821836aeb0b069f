#include "resources/load_report.h"

#include "platform/message_box.h"

namespace resources {
namespace {

// Main thread only, like every load.
LoadStep* currentStep = nullptr;

}  // namespace

LoadStep::LoadStep(LoadReport& report) : report(report), outer(currentStep) { currentStep = this; }

LoadStep::~LoadStep() {
    currentStep = outer;
    if (failures.empty()) return;
    // One line per file; the caption is the loaders' own when they agree.
    std::string text;
    std::string caption = failures.front().caption;
    for (const Failure& f : failures) {
        if (!text.empty()) text += '\n';
        text += f.text;
        if (f.caption != caption) caption = "Error";
    }
    platform::showMessage(text, caption, platform::MessageIcon::None);
}

void reportLoadFailure(const std::string& fileName, const std::string& text, const std::string& caption) {
    if (currentStep == nullptr) {
        platform::showMessage(text, caption, platform::MessageIcon::None);
        return;
    }
    if (!currentStep->report.reportedFiles.insert(fileName).second) return;
    // Lines of a list: the loader's closing line break goes, and a text that does not
    // name its file ("No se pudo abrir el JPG") gets the name after it.
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    if (line.find(fileName) == std::string::npos) line += " (" + fileName + ")";
    currentStep->failures.push_back({line, caption});
}

}  // namespace resources
