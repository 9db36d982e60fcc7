#pragma once

#include <QString>
#include <chrono>

#include "CommissionEngine.h"
#include "CommissionRecord.h"
#include "CommissionReport.h"
#include "RegisterSettings.h"

// Every Italian text of the commissioning line's window: its captions, the phases and
// results of its rows, and its messages. The server's status lines are BootpWords', the
// project file's messages the "Web Upload" page's.
namespace tavo::commissiontexts {

// The window's title, and its item in the sheet's window menu.
inline const QString kTitle = QStringLiteral("Linea di messa in servizio");

// The captions of the fields and buttons.
inline const QString kProjectLabel = QStringLiteral("File di progetto");
inline const QString kPoolGroup = QStringLiteral("Indirizzi per i dispositivi nuovi");
inline const QString kPoolFirstLabel = QStringLiteral("Primo");
inline const QString kPoolLastLabel = QStringLiteral("Ultimo");
inline const QString kRegistersLabel = QStringLiteral("File dei registri");
inline const QString kReportLabel = QStringLiteral("Rapporto");
inline const QString kBrowse = QStringLiteral("Sfoglia...");
inline const QString kChangedOnly = QStringLiteral("Solo blocchi cambiati");
inline const QString kResume = QStringLiteral("Riprendi dal rapporto");
inline const QString kStart = QStringLiteral("Avvia");
inline const QString kStop = QStringLiteral("Ferma");
// The device table's headings, in column order.
inline constexpr const char* kHeadings[] = {"MAC", "IP", "Fase", "Tempo rimanente", "Risultato"};

// The pickers of the registers file and the report, and the report's default name.
inline const QString kRegistersFilter = QStringLiteral("File dei registri (*.txt);;Tutti i file (*)");
inline const QString kReportFilter = QStringLiteral("Rapporto CSV (*.csv);;Rapporto JSON lines (*.jsonl)");
inline const QString kReportSuffix = QStringLiteral("csv");
inline const QString kDefaultReportName = QStringLiteral("commissioning.csv");

// The messages that refuse a start.
inline const QString kProjectEmpty = QStringLiteral("Il file di progetto è vuoto:\n%1");
inline const QString kHalfPool =
    QStringLiteral("Indicare sia il primo sia l'ultimo indirizzo dell'intervallo, oppure lasciarli vuoti entrambi.");
inline const QString kPoolReversed = QStringLiteral("L'ultimo indirizzo dell'intervallo precede il primo.");
inline const QString kPoolTooLarge = QStringLiteral("L'intervallo può contenere al massimo %1 indirizzi.");
inline const QString kNoReport = QStringLiteral("Indicare il file del rapporto.");
// A start refused because the IP configuration page's own server serves.
QString serviceServes();

// Closing the window while the line runs: the confirmation's description.
inline const QString kCloseQuestion =
    QStringLiteral("Chiudendo la finestra la linea si ferma: i dispositivi in corso restano interrotti.");

// The phase column's text of a device's state.
QString phaseText(const CommissionDeviceState& state);
// The time left column's text: the time at the device's pace; nothing once it ended,
// or while the time is not known (zero).
QString timeLeftText(const CommissionDeviceState& state);
// The result column's text of a record: how the device ended, and why it failed.
QString resultText(const CommissionRecord& record);
// The result of an unknown device that the line did not add to the table; nothing
// for one that was added.
QString unknownDeviceText(const CommissionUnknownDevice& device);
// The phase and result of a device skipped because the report holds it as verified.
inline const QString kSkippedPhase = QStringLiteral("saltato");
inline const QString kSkippedResult = QStringLiteral("già verificato");
// The status line at the end of the line.
QString summaryText(const CommissionSummary& summary);

// A registers file that could not be read, or its first bad line.
QString registersUnreadable(const QString& path, const QString& reason);
QString registersProblem(const QString& path, const RegisterFileProblem& problem);
// A report that could not be opened, read or written.
QString reportProblem(const QString& path, const CommissionReportProblem& problem);

}  // namespace tavo::commissiontexts
