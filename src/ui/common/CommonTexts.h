#pragma once

#include <QString>

#include "TableWords.h"

// The texts that more than one subsystem's windows show, each written once.
namespace tavo::commontexts {

inline const QString kOk = QStringLiteral("OK");
inline const QString kCancel = QStringLiteral("Annulla");
// The captions of the message boxes.
inline const QString kError = QString::fromLatin1(kErrorCaption);
inline const QString kNotice = QString::fromLatin1(kNoticeCaption);
inline const QString kWarning = QStringLiteral("Attenzione");
// The labels of the address fields.
inline const QString kIpAddressLabel = QStringLiteral("Indirizzo IP");
inline const QString kMacAddressLabel = QStringLiteral("Indirizzo MAC");
// The address set-up's button, the stop of a running operation, and the log line of a
// socket made ready.
inline const QString kSet = QStringLiteral("Set");
inline const QString kStop = QStringLiteral("Stop");
inline const QString kSocketReady = QStringLiteral("Socket UDP/IP  inizializzato");
// The heading of a column of byte counts.
inline constexpr const char* kByteHeading = "Byte";

// The confirmation before an operation that may harm the device.
inline const QString kConfirmTitlePrefix = QStringLiteral("Warning to ");
inline const QString kConfirmWarning =
    QStringLiteral("Questa operazione potrebbe compromettere il corretto funzionamento del sistema.");
inline const QString kConfirmQuestion = QStringLiteral("Andare avanti ?");
inline const QString kYes = QStringLiteral("Si");
inline const QString kNo = QStringLiteral("No");

// An address field's octet above its maximum.
inline const QString kOctetTooLarge =
    QStringLiteral("%1 non è un valore valido. Specificare un valore compreso tra 0 e %2.");
// An operation on the device while its address field still holds 0.0.0.0.
inline const QString kNoTargetAddress = QStringLiteral("Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!");

}  // namespace tavo::commontexts
