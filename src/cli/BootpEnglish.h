#pragma once

// The English words of `tavo doctor` (and of the BootP checks behind it): one line for
// each of the preflight's findings, the JSON object of `tavo doctor --json`, the verdict
// and the refusals of its command line.
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

// "can serve: yes" or "can serve: no".
QString canServeLine(bool canServe);
extern const char* const kInterfaceNeedsName;
QString unexpectedArgumentText(const QString& word);

}  // namespace tavo::cli
