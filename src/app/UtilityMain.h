#pragma once

#include <memory>

namespace tavo {

class CTavoApp;
class Prompts;
class StartupOptionsExtension;
struct StartupOptions;

// What one build of tavo-utility makes of the common start: the product takes the
// defaults; the testing build (testing/) adds its options, prompts and aids.
class UtilityBuild {
public:
    virtual ~UtilityBuild() = default;
    virtual StartupOptionsExtension* commandLine() { return nullptr; }
    // The prompts of the run, given the message boxes that ask the operator.
    virtual Prompts& prompts(Prompts& messageBoxes) { return messageBoxes; }
    virtual std::unique_ptr<CTavoApp> makeApp(const StartupOptions& options, Prompts& prompts);
};

// The program from its command line to its exit status.
int utilityMain(int argc, char** argv, UtilityBuild& build);

}  // namespace tavo
