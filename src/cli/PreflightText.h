#pragma once

// The command line's words for the preflight's findings: one English line each, and
// the JSON object of `tavo doctor --json`.
#include <QJsonObject>
#include <QString>

#include "PreflightFinding.h"

namespace tavo::cli {

// "blocked  port 67 (server) is held by dnsmasq (pid 1234)": the status, then the text.
QString preflightLine(const PreflightFinding& finding);
// The text alone.
QString preflightMessage(const PreflightFinding& finding);
// {"check", "status", "message", and the finding's values}.
QJsonObject preflightJson(const PreflightFinding& finding);

}  // namespace tavo::cli
