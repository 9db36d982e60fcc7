#pragma once

#include <QTimer>
#include <chrono>

#include "TestingOptions.h"
#include "app/TavoApp.h"

namespace tavo {

class StartupProbe;

// The utility with the aids of the tests, the benchmarks and the screenshots: the close
// timer, a network layer that fails on request, the start-up figures, the picture of
// the first view and the screenshot scenes.
class TestingTavoApp final : public CTavoApp {
public:
    TestingTavoApp(TestingOptions options, Prompts& prompts,
                   std::chrono::steady_clock::time_point mainEntry = std::chrono::steady_clock::now());

protected:
    void starting() override;
    bool networkAvailable() const override;
    void sheetMade() override;

private:
    void startScreenshotScene();

    TestingOptions m_testing;
    std::chrono::steady_clock::time_point m_mainEntry;
    QTimer m_closeTimer;
    StartupProbe* m_probe = nullptr;  // child of the sheet
};

}  // namespace tavo
