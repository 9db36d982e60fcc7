#pragma once

#include <QString>
#include <string>

#include "BootpRequestRecord.h"
#include "DeviceImport.h"
#include "PreflightFinding.h"
#include "common/CommonTexts.h"

// The Italian texts of the BootP subsystem's window: the request log, the notices of the
// IP configuration page, the preflight's causes and the device table's import and
// export. The status lines, which the terminal shows too, are in BootpWords.

// The request log window and the notices that the IP configuration page shows for
// another server and for its interface.
namespace tavo {

// The request log's title, and its item in the window menu.
inline const QString kBootpLogTitle = QStringLiteral("Registro BootP");

// The status field before an IP clear or search, whatever the server's state.
inline const QString kIpPageWaiting = QStringLiteral("In Attesa ....");

// The IP configuration page.
inline const QString kIpPageTitle = QStringLiteral("Configurazione indirizzo IP");
inline const QString kIpPageAdd = QStringLiteral("Aggiungi nuovo dispositivo");
inline const QString kIpPageModify = QStringLiteral("Modifica configurazione");
inline const QString kIpPageRemove = QStringLiteral("Elimina dispositivo");
inline const QString kIpPageStart = QStringLiteral("Avvio\n BootP");
inline const QString kIpPageStop = QStringLiteral("Arresta\n BootP");
inline const QString kIpPageClear = QStringLiteral("Cancella indirizzo IP");
inline const QString kIpPageDatabase = QStringLiteral("DataBase BootP");
inline const QString kIpPageState = QStringLiteral("Stato");
inline const QString kIpPageNoRecords = QStringLiteral("Non ci sono record !!");
inline const QString kIpPageNoSelection = QStringLiteral("Non è stato selezionato alcun dato !!");
// The device list's headings, in column order.
inline constexpr const char* kIpPageHeadings[] = {"Tipo", " Lun.", " IP TAVO", " MAC TAVO", " Gateway ", " Subnet Mask"};

// The device dialog.
inline const QString kEditTitle = QStringLiteral("Configurazione nuovo dispositivo");
inline const QString kEditOk = QStringLiteral("Ok");
inline const QString kEditAdd = QStringLiteral("Aggiungi");
inline const QString kEditGateway = QStringLiteral("Gateway ");
inline const QString kEditSubnet = QStringLiteral("Subnet Mask");
inline const QString kEditNoIp = QStringLiteral("Inserire l'indirizzo IP del client !!");
inline const QString kEditBadIp = QStringLiteral("Indirizzo IP errato !!");
inline const QString kEditNoMac = QStringLiteral("Inserire l'indirizzo MAC del client !!");

// The request log window.
inline const QString kBootpLogAdd = QStringLiteral("Aggiungi alla tabella");
inline const QString kBootpLogClose = QStringLiteral("Chiudi");
inline constexpr const char* kBootpLogHeadings[] = {"Ora", "Interfaccia", "MAC", "Famiglia", "Esito", "Indirizzo", commontexts::kByteHeading};
inline const QString kBootpLogYes = QStringLiteral("sì");
inline const QString kBootpLogNo = QStringLiteral("no");

QString bootpOutcomeText(BootpRequestOutcome outcome);
QString bootpRivalServerText(const BootpRivalServer& rival);
QString bootpInterfaceText(const BootpInterfaceEvent& event);

}  // namespace tavo

// The IP page's words for what the BootP preflight found.
namespace tavo::preflighttexts {

inline const QString& kCaption = commontexts::kError;

// Why "Avvio BootP" failed, for a finding that blocks the server; empty for any other.
QString startFailureCause(const PreflightFinding& finding);

}  // namespace tavo::preflighttexts

// The texts of the device table's import and export on the IP configuration page.
namespace tavo::csvtexts {

inline const QString kImportButton = QStringLiteral("Importa...");
inline const QString kExportButton = QStringLiteral("Esporta...");
inline const QString kImportCaption = QStringLiteral("Importa dispositivi");
inline const QString kExportCaption = QStringLiteral("Esporta dispositivi");
inline const QString kFilter = QStringLiteral("File CSV (*.csv);;Tutti i file (*)");
inline const QString& kCaptionDone = commontexts::kNotice;
inline const QString& kCaptionError = commontexts::kError;

// "Dispositivi importati: 3 (2 aggiunti, 1 sostituiti)."
QString imported(const DeviceImportResult& result);
// "Dispositivi esportati: 3 in FILE."
QString exported(int count, const QString& path);
// Every problem of a refused import in one text, a line each (the first ones when there
// are many).
QString refused(const QString& path, const DeviceImportResult& result);
QString fileUnreadable(const QString& path, const std::string& reason);
QString fileTooLarge(const QString& path);
QString fileNotWritten(const QString& path, const std::string& reason);

}  // namespace tavo::csvtexts
