#include "JsonOutput.h"

#include <QJsonDocument>
#include <cstdio>

namespace tavo::cli {
namespace {
bool g_json = false;
bool g_errorPrinted = false;
}  // namespace

void setJsonOutput(bool on) { g_json = on; }
bool jsonOutput() { return g_json; }

void printJson(const QJsonObject& object) {
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printJsonError(const char* code, const QString& message, const QJsonObject& extra) {
    QJsonObject object = extra;
    object.insert("error", QString::fromLatin1(code));
    object.insert("message", message);
    printJson(object);
    g_errorPrinted = true;
}

bool jsonErrorPrinted() { return g_errorPrinted; }

}  // namespace tavo::cli
