#pragma once

#include <QString>

#include "BootpRequestRecord.h"

// The Italian texts of the request log window and of the notices that the IP
// configuration page shows for another server and for its interface.
namespace tavo {

QString bootpOutcomeText(BootpRequestOutcome outcome);
QString bootpRivalServerText(const BootpRivalServer& rival);
QString bootpInterfaceText(const BootpInterfaceEvent& event);

}  // namespace tavo
