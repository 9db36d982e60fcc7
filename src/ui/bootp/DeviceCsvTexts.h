#pragma once

#include <QString>

#include "DeviceImport.h"

// The texts of the device table's import and export on the IP configuration page.
namespace tavo::csvtexts {

inline const QString kImportButton = QStringLiteral("Importa...");
inline const QString kExportButton = QStringLiteral("Esporta...");
inline const QString kImportCaption = QStringLiteral("Importa dispositivi");
inline const QString kExportCaption = QStringLiteral("Esporta dispositivi");
inline const QString kFilter = QStringLiteral("File CSV (*.csv);;Tutti i file (*)");
inline const QString kCaptionDone = QStringLiteral("Avviso");
inline const QString kCaptionError = QStringLiteral("Errore");

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
