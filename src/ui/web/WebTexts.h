#pragma once

#include <QString>

#include "WebFolderPlan.h"
#include "WebImageBuild.h"
#include "UploadEngine.h"
#include "common/CommonTexts.h"

#include <chrono>

// Every Italian text of the "Web Upload" page: its captions, and what it shows for the
// results of the scan, the build and the upload.
namespace tavo::webtexts {

// Captions of the page's groups, buttons and columns.
inline const QString kPageTitle = QStringLiteral("Web Upload");
inline const QString kResourcesGroup = QStringLiteral("Risorse Web");
inline const QString kSelectFiles = QStringLiteral("Seleziona Files");
inline const QString kClearFiles = QStringLiteral("Elimina Files");
inline const QString kColumnName = QStringLiteral(" Nome del File ");
inline const QString kColumnBytes = QString::fromLatin1(commontexts::kByteHeading);
inline const QString kColumnIndex = QStringLiteral("Indice");
inline const QString kStateGroup = QStringLiteral("Stato del dispositivo  /  Avanzamento % Upload");
inline const QString kDestinationGroup = QStringLiteral("Destinazione");
inline const QString& kAddressLabel = commontexts::kIpAddressLabel;
inline const QString kClearIpHistory = QStringLiteral("Cancella DataBase indirizzi IP");
inline const QString& kCaptionSet = commontexts::kSet;
inline const QString kUploadGroup = QStringLiteral("Upload");
inline const QString kSelectProject = QStringLiteral("Seleziona File di progetto");

inline const QString kWaiting = QStringLiteral("In Attesa...");
inline const QString kBuilding = QStringLiteral("Fase di Costruzione...........");
inline const QString kBuilt = QStringLiteral("Costruzione eseguita.");
inline const QString kNotBuilt = QStringLiteral("Costruzione interrotta.");
inline const QString kCaptionBuild = QStringLiteral("Build");
inline const QString& kCaptionStop = commontexts::kStop;
inline const QString kCaptionIdle = QStringLiteral("Costruzione");
inline const QString kSaveFilter = QStringLiteral("TAVRO 707 file(*.TAV)");
inline const QString kDefaultSuffix = QStringLiteral("TAV");

// The upload half.
inline const QString& kCaptionWarning = commontexts::kWarning;
inline const QString& kCaptionError = commontexts::kError;
inline const QString& kSocketReady = commontexts::kSocketReady;
inline const QString kUploading = QStringLiteral("uploading in corso...");
inline const QString kNoProjectFile = QStringLiteral("Selezionare il file di progetto!!");
inline const QString kFileTooLarge = QStringLiteral("Le dimensioni del file superano le dimensioni consentite !!");
inline const QString kUploadDone = QStringLiteral("Upload della memoria Flash completato !!");
inline const QString kCaptionUploadDone = QStringLiteral("Upload completato");
inline const QString kCaptionUpload = QStringLiteral("Upload ");
inline const QString kCaptionUploaded = QStringLiteral("Upload ..");
inline const QString kUploadCompleted = QStringLiteral("Upload  Comletato.");
inline const QString kUploadInterrupted = QStringLiteral("Upload  Interrotto.");
inline const QString kOpenFilter = QStringLiteral("TAVO 707 file(*.TAV)");
inline const QString kVerifyOption = QStringLiteral("Verifica");

struct Message {
    QString text;
    QString caption;
};

Message reservedIndex();
Message overLimit(qint64 totalBytes);
Message nothingToBuild();
Message buildCompleted();
// A scan that could not go on (folder, default page or page unreadable; too many files).
Message planFailure(const WebFolderPlan& plan);
// A change of the folder that failed, with the renames already made.
Message applyFailure(const WebFolderPlan& plan, const WebApplyResult& applied);
// A build that failed before the save; empty text for a pass with nothing to say.
Message buildFailure(const WebBuildResult& result);
Message writeFailure(const QString& path, const QString& reason);
// What the selection changed in the folder and what it could not make distinct; empty
// text when there is nothing to tell.
Message changesMade(const WebFolderPlan& plan);

// A project file that could not be opened or read, naming it.
Message projectFileUnreadable(const QString& path, const QString& reason);
// The end of an upload that did not complete, for its status; empty text for a stop.
Message uploadFailure(const UploadResult& result, const QString& target);
// A time left as the operator reads it: "45 s" below a minute, else "3 min 05 s".
QString timeLeftText(std::chrono::milliseconds timeLeft);
// The progress bar's text: the percentage and the time left, in the phase's words.
QString progressFormat(UploadPhase phase, std::chrono::milliseconds timeLeft);

}  // namespace tavo::webtexts
