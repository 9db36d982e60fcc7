#pragma once

// The English words of `tavo devices` and `tavo history` for what the device table and
// the histories refuse, and for a line that names no known action.
#include <QString>

#include "CliSupport.h"
#include "DeviceTable.h"

namespace tavo::cli {

// A new device the table refuses (never NewDeviceProblem::None).
EnglishFailure newDeviceFailure(NewDeviceProblem problem);
EnglishFailure duplicateDeviceFailure(int record, const QString& ip, const QString& mac);
EnglishFailure deviceNotFoundFailure(const QString& mac);

// `tavo devices` with no action, an unknown one, or options the action does not take.
extern const char* const kGiveDeviceAction;
QString noSuchDeviceAction(const QString& action);
QString optionsNotTaken(const QString& action);

// `tavo history` without its two words, or with an unknown one.
extern const char* const kGiveHistoryAndAction;
QString noSuchHistory(const QString& history);
QString noSuchHistoryAction(const QString& action);

}  // namespace tavo::cli
