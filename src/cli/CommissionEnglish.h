#pragma once

// The commissioning line in the command line's words.
#include <QString>

#include "CommissionEngine.h"
#include "RegisterFileLoad.h"

namespace tavo::cli {

// "waiting", "address assigned", "uploading", "registers", "verifying", "completed", "failed";
// with --json the same words with "_" for the blank.
const char* commissionPhaseName(CommissionPhase phase);
QString commissionPhaseText(CommissionPhase phase);
// "REGISTERS:LINE: why" for a registers file that is refused.
QString registerFileProblemText(const QString& path, const RegisterFileLoad& load);
// Why the report could not be opened, read or written.
QString reportProblemText(const QString& path, const CommissionReportProblem& problem);

}  // namespace tavo::cli
