#pragma once

#include <chrono>
#include <memory>

#include "common/AppContext.h"
#include "StartupOptions.h"

class QTimer;

namespace tavo {

class CPropSheet;
class StartupProbe;
class Prompts;

// The program's start-up and run: checks that the network layer works, records the
// start-up directory in the profile, builds the context every page is given, and shows
// the sheet. Closing the sheet ends the run with kExitClosed.
class CTavoApp {
public:
    static constexpr int kExitClosed = 1;  // the program's normal end, as the product has it
    static constexpr int kExitUsage = 2;
    static constexpr int kExitNoNetwork = 3;
    static constexpr const char* kSocketInitFailed = "Windows sockets initialization failed.";
    static constexpr const char* kDataFolderFailed = "Impossibile creare la cartella dei dati %1.";

    CTavoApp(StartupOptions options, Prompts& prompts,
             std::chrono::steady_clock::time_point mainEntry = std::chrono::steady_clock::now());
    ~CTavoApp();

    // Start-up up to the shown sheet. False when the program must end (the operator has
    // been told why); then no window was shown.
    bool InitInstance();
    // Runs the event loop until the sheet is closed; returns the exit status.
    int run();

    AppContext& context() { return m_context; }
    CPropSheet* sheet() const { return m_sheet.get(); }

private:
    bool networkAvailable() const;
    void startCloseTimer();
    void enterDataFolder();
    void startScreenshotScene();

    StartupOptions m_options;
    std::chrono::steady_clock::time_point m_mainEntry;
    AppContext m_context;
    std::unique_ptr<CPropSheet> m_sheet;
    std::unique_ptr<QTimer> m_closeTimer;
    StartupProbe* m_probe = nullptr;  // child of the sheet
};

}  // namespace tavo
