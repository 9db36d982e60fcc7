// tavo-utility-testing: the desktop program with the switches of the tests, the
// benchmarks and the screenshots (close timer, start-up figures, pictures, scenes).
// Built with -DTAVO_TEST_HOOKS=ON only, and never installed.
#include <chrono>
#include <optional>

#include "ScreenshotScene.h"
#include "TestingOptions.h"
#include "TestingTavoApp.h"
#include "UtilityMain.h"

namespace tavo {
namespace {

class TestingBuild final : public UtilityBuild {
public:
    StartupOptionsExtension* commandLine() override { return &m_commandLine; }
    // A screenshot scene answers its own questions; every other run asks the operator.
    Prompts& prompts(Prompts& messageBoxes) override {
        if (m_options.screenshotScene.isEmpty()) return messageBoxes;
        return m_scenePrompts.emplace(messageBoxes, m_options.sceneFolder,
                                      sceneShowsFileDialog(m_options.screenshotScene));
    }
    std::unique_ptr<CTavoApp> makeApp(const StartupOptions& options, Prompts& prompts) override {
        TestingOptions all = m_options;
        static_cast<StartupOptions&>(all) = options;
        return std::make_unique<TestingTavoApp>(std::move(all), prompts, m_mainEntry);
    }

private:
    std::chrono::steady_clock::time_point m_mainEntry = std::chrono::steady_clock::now();
    TestingOptions m_options;
    TestingCommandLine m_commandLine{m_options};
    std::optional<ScenePrompts> m_scenePrompts;
};

}  // namespace
}  // namespace tavo

int main(int argc, char** argv) {
    tavo::TestingBuild testing;
    return tavo::utilityMain(argc, argv, testing);
}
