#pragma once

// The device table's import and export as the IP configuration page offers them: the
// file through the prompts seam, the work in the core's import service, the outcome (or
// every problem of a refused file) in one message.
namespace tavo {

struct AppContext;

// True when the table changed (the page then refreshes its list).
bool importDevicesFromCsv(AppContext& context);
void exportDevicesToCsv(AppContext& context);

}  // namespace tavo
