#pragma once

#include <memory>

#include "common/AppContext.h"
#include "StartupOptions.h"

namespace tavo {

class CPropSheet;
class Prompts;

// The program's start-up and run: checks that the network layer works, records the
// start-up directory in the profile, builds the context every page is given, and shows
// the sheet. Closing the sheet ends the run with kExitClosed. The testing build
// (src/app/testing) adds its aids through the protected steps.
class CTavoApp {
public:
    static constexpr int kExitClosed = 1;  // the program's normal end, as the product has it
    static constexpr int kExitUsage = 2;
    static constexpr int kExitNoNetwork = 3;

    CTavoApp(StartupOptions options, Prompts& prompts);
    virtual ~CTavoApp();
    CTavoApp(const CTavoApp&) = delete;
    CTavoApp& operator=(const CTavoApp&) = delete;

    // Start-up up to the shown sheet. False when the program must end (the operator has
    // been told why); then no window was shown.
    bool InitInstance();
    // Runs the event loop until the sheet is closed; returns the exit status.
    int run();

    AppContext& context() { return m_context; }
    CPropSheet* sheet() const { return m_sheet.get(); }

protected:
    // The first step of the start-up, before the network layer is checked.
    virtual void starting() {}
    virtual bool networkAvailable() const;
    // The sheet is made and not yet shown.
    virtual void sheetMade() {}

private:
    void enterDataFolder();

    StartupOptions m_options;
    AppContext m_context;
    std::unique_ptr<CPropSheet> m_sheet;
};

}  // namespace tavo
