#include "JsonOutput.h"

#include <QJsonDocument>
#include <cstdio>

namespace tavo::cli {
namespace {
bool g_json = false;
bool g_finalPrinted = false;  // an error object, or a verdict that stands for one
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
    g_finalPrinted = true;
}

void printJsonVerdict(const QJsonObject& object) {
    printJson(object);
    g_finalPrinted = true;
}

bool jsonFinalPrinted() { return g_finalPrinted; }

}  // namespace tavo::cli
