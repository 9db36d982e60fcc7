#include "TableEnglish.h"

namespace tavo::cli {

EnglishFailure newDeviceFailure(NewDeviceProblem problem) {
    switch (problem) {
    case NewDeviceProblem::None: break;
    case NewDeviceProblem::NoIp: return {"no_ip", "no device address: give --ip A.B.C.D"};
    case NewDeviceProblem::BadIp: return {"unusable_ip", "a device address cannot end in .0 or .255"};
    case NewDeviceProblem::NoMac: return {"no_mac", "no MAC address: give --mac MAC"};
    }
    return {"", {}};
}

EnglishFailure duplicateDeviceFailure(int record, const QString& ip, const QString& mac) {
    return {"duplicate", QString("device not added: record %1 (%2, %3) has the same IP or MAC").arg(record).arg(ip, mac)};
}

EnglishFailure deviceNotFoundFailure(const QString& mac) { return {"not_found", "no device with MAC " + mac}; }

const char* const kGiveDeviceAction = "give one action: list, add, remove, export or import";

QString noSuchDeviceAction(const QString& action) {
    return QString("no such action: %1 (list, add, remove, export or import)").arg(action);
}

QString optionsNotTaken(const QString& action) { return QString("options that %1 does not take").arg(action); }

const char* const kGiveHistoryAndAction = "give the history (ip or mac) and what to do (list or clear)";

QString noSuchHistory(const QString& history) { return QString("no such history: %1 (ip or mac)").arg(history); }

QString noSuchHistoryAction(const QString& action) { return QString("no such action: %1 (list or clear)").arg(action); }

}  // namespace tavo::cli
