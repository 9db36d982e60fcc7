#pragma once

#include <QString>

// The texts that more than one subsystem's windows show, each written once.
namespace tavo::commontexts {

inline const QString kOk = QStringLiteral("OK");
inline const QString kCancel = QStringLiteral("Annulla");
// An operation on the device while its address field still holds 0.0.0.0.
inline const QString kNoTargetAddress = QStringLiteral("Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!");

}  // namespace tavo::commontexts
