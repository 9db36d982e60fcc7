#pragma once

#include <QString>

#include "WebFolderPlan.h"
#include "WebImageBuild.h"

// The texts the "Web Upload" page shows for the results of the scan and the build.
namespace tavo::webtexts {

inline const QString kWaiting = QStringLiteral("In Attesa...");
inline const QString kBuilding = QStringLiteral("Fase di Costruzione...........");
inline const QString kBuilt = QStringLiteral("Costruzione eseguita.");
inline const QString kNotBuilt = QStringLiteral("Costruzione interrotta.");
inline const QString kCaptionBuild = QStringLiteral("Build");
inline const QString kCaptionStop = QStringLiteral("Stop");
inline const QString kCaptionIdle = QStringLiteral("Costruzione");
inline const QString kSaveFilter = QStringLiteral("TAVRO 707 file(*.TAV)");
inline const QString kDefaultSuffix = QStringLiteral("TAV");

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

}  // namespace tavo::webtexts
