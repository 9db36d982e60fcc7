#pragma once

// The --json form of every command's output, for scripts and line controllers:
//   a result          one JSON object on stdout;
//   a long run        one object per line, each with the key "event";
//   an error          {"error": "<stable snake_case code>", "message": "<English text>"} on
//                     stdout (the exit status is the same as without --json).
// main() takes "--json" off the command line of any command and switches this on, so that
// every command speaks it; each command then prints its result with printJson and lets
// fail() print its errors.
#include <QJsonObject>
#include <QString>

namespace tavo::cli {

inline constexpr const char* kJsonOption = "--json";

void setJsonOutput(bool on);
bool jsonOutput();

// One object as one compact line, flushed at once (a reader waits for each line).
void printJson(const QJsonObject& object);

// {"error": code, "message": message} plus `extra`, on stdout.
void printJsonError(const char* code, const QString& message, const QJsonObject& extra = {});
// A result that is the whole answer even with exit status 1 (doctor's "cannot serve"), so
// that no general error object follows it.
void printJsonVerdict(const QJsonObject& object);
// Whether an error object or a verdict went out; main() gives a command that ends with a
// failure without one the general object of its exit status.
bool jsonFinalPrinted();

}  // namespace tavo::cli
