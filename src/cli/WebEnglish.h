#pragma once

#include <QString>
#include <chrono>
#include <string>

#include "UploadEngine.h"
#include "WebBuildWarnings.h"

// The command line's English words for the web build and the upload, as `tavo image` and
// `tavo upload` print them.
namespace tavo::cli {

// Two lowercase hex digits, as the resource indexes are written.
std::string hex2(unsigned value);
std::string describeWebWarning(const WebWarning& w);
const char* phaseName(UploadPhase phase);
const char* statusName(UploadStatus status);
// A time left: "12 s", "3 min 05 s".
QString duration(std::chrono::milliseconds ms);

}  // namespace tavo::cli
