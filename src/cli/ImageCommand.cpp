// tavo image: the project file (".TAV") of a web folder, built by the same scan and
// composition as the "Web Upload" page, with a preview of every change to the folder;
// and an inspector that takes a project file apart.
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliSupport.h"
#include "JsonOutput.h"
#include "PathArguments.h"
#include "WebBuildWarnings.h"
#include "WebEnglish.h"
#include "WebFileSystem.h"
#include "WebFolderPlan.h"
#include "WebImageBuild.h"
#include "WebImageBuilder.h"
#include "WebImageReader.h"

namespace tavo::cli {
namespace {

QString usageText() {
    return QStringLiteral(
        "usage: tavo image build FOLDER -o FILE.TAV [--dry-run] [--template FILE]\n"
        "       tavo image inspect FILE.TAV\n"
        "\n"
        "build scans FOLDER as the \"Web Upload\" page does: it copies the default page \"707.html\"\n"
        "into a folder that has none, renames files whose resource indexes collide, patches the\n"
        "pages that name them, and writes the project file. It prints the resources in list\n"
        "order (URL path, size, index), the copy, the renames and the patched pages, then\n"
        "warnings and the total. --dry-run prints all of it and changes nothing.\n"
        "The default page comes from --template, else \"707.html\" in the current directory,\n"
        "else the one installed beside the program.\n"
        "inspect prints the offset table by record, each record, the default page, the records\n"
        "no entry reaches and every malformation (exit status 1 for a malformed file).\n");
}

std::string url(const WebFolderPlan& plan, const std::string& path) { return webUrlPath(plan.folder, path); }

void printPlan(const WebFolderPlan& plan, const WebBuildResult* build) {
    printLine(std::string("resources (list order):"));
    for (const WebResourceRow& row : plan.rows)
        printLine("  " + row.urlPath + "  " + std::to_string(row.size) + "  " + hex2(row.index));
    std::vector<const WebPlanStep*> copies, renames, patches;
    for (const WebPlanStep& step : plan.steps)
        (step.kind == WebStepKind::CopyTemplate ? copies : step.kind == WebStepKind::Rename ? renames : patches)
            .push_back(&step);
    for (const WebPlanStep* step : copies) printLine("copy of the default page: " + step->from + " -> " + url(plan, step->to));
    printLine(std::string("renames:") + (renames.empty() ? " none" : ""));
    for (const WebPlanStep* step : renames)
        printLine("  " + url(plan, step->from) + " -> " + url(plan, step->to) + "  (index " + hex2(step->oldIndex) +
                  " -> " + hex2(step->newIndex) + ")");
    printLine(std::string("patched pages:") + (patches.empty() ? " none" : ""));
    for (const WebPlanStep* step : patches)
        printLine("  " + url(plan, step->to) + ": " + step->oldName + " -> " + step->newName);
    const std::vector<WebWarning> warnings = webBuildWarnings(plan, build);
    printLine(std::string("warnings:") + (warnings.empty() ? " none" : ""));
    for (const WebWarning& w : warnings) printLine("  " + describeWebWarning(w));
    std::string total = "total: " + std::to_string(plan.totalBytes) + " of " + std::to_string(WEB_IMAGE_LIMIT) + " bytes";
    if (build != nullptr && build->ok()) total += "; image: " + std::to_string(build->image.size()) + " bytes";
    printLine(total);
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The plan and the build as one object: what printPlan prints, in fields.
QJsonObject planJson(const WebFolderPlan& plan, const WebBuildResult& build) {
    QJsonArray resources, copies, renames, patches, warnings;
    for (const WebResourceRow& row : plan.rows)
        resources.append(QJsonObject{{"path", qs(row.urlPath)}, {"size", qint64(row.size)}, {"index", int(row.index)}});
    for (const WebPlanStep& step : plan.steps) {
        if (step.kind == WebStepKind::CopyTemplate)
            copies.append(QJsonObject{{"from", qs(step.from)}, {"to", qs(url(plan, step.to))}});
        else if (step.kind == WebStepKind::Rename)
            renames.append(QJsonObject{{"from", qs(url(plan, step.from))}, {"to", qs(url(plan, step.to))},
                                       {"oldIndex", int(step.oldIndex)}, {"newIndex", int(step.newIndex)}});
        else
            patches.append(QJsonObject{{"page", qs(url(plan, step.to))}, {"old", qs(step.oldName)}, {"new", qs(step.newName)}});
    }
    for (const WebWarning& w : webBuildWarnings(plan, &build)) warnings.append(qs(describeWebWarning(w)));
    return {{"resources", resources}, {"copies", copies},   {"renames", renames},
            {"patches", patches},     {"warnings", warnings}, {"totalBytes", qint64(plan.totalBytes)},
            {"imageBytes", qint64(build.image.size())}};
}

// The end of a build that worked: the text's last line, or the object with `written`.
int built(const WebFolderPlan& plan, const WebBuildResult& build, const QString& written) {
    if (jsonOutput()) {
        QJsonObject object = planJson(plan, build);
        object["dryRun"] = written.isEmpty();
        object["written"] = written.isEmpty() ? QJsonValue() : QJsonValue(written);
        printJson(object);
    } else if (written.isEmpty()) {
        printLine(std::string("dry run: nothing changed, nothing written"));
    } else {
        printLine("written: " + written.toStdString());
    }
    return 0;
}

int planFailure(const WebFolderPlan& plan) {
    switch (plan.status) {
        case WebPlanStatus::Ready: return 0;
        case WebPlanStatus::FolderUnreadable:
            return failAs("folder_unreadable", QString("cannot read the folder %1: %2").arg(QString::fromStdString(plan.failedPath),
                                                                    QString::fromStdString(plan.reason)));
        case WebPlanStatus::TemplateMissing:
            return plan.failedPath.empty()
                       ? failAs("no_template", "the folder has no 707.html and no default page to copy was found (--template FILE)")
                       : failAs("template_unreadable", QString("cannot read the default page %1: %2")
                                  .arg(QString::fromStdString(plan.failedPath), QString::fromStdString(plan.reason)));
        case WebPlanStatus::PageUnreadable:
            return failAs("page_unreadable", QString("cannot read the page %1: %2; nothing changed")
                            .arg(QString::fromStdString(plan.failedPath), QString::fromStdString(plan.reason)));
        case WebPlanStatus::OverLimit:
            return failAs("over_limit", QString("the files add up to %1 bytes, more than %2: nothing changed, nothing built")
                            .arg(plan.totalBytes)
                            .arg(WEB_IMAGE_LIMIT));
        case WebPlanStatus::TooManyFiles:
            return failAs("too_many_files", QString("%1 files, more than the %2 the offset table can reach: nothing changed, nothing built")
                            .arg(plan.rows.size())
                            .arg(WEB_MAX_RESOURCES));
    }
    return kExitFailure;
}

int applyFailure(const WebFolderPlan& plan, const WebApplyResult& applied) {
    QString what;
    switch (applied.status) {
        case WebApplyStatus::CopyFailed: what = "cannot copy the default page to %1"; break;
        case WebApplyStatus::RenameFailed: what = "cannot rename %1"; break;
        case WebApplyStatus::PatchFailed: what = "cannot patch the page %1"; break;
        case WebApplyStatus::Done: return 0;
    }
    QString message = what.arg(QString::fromStdString(failedPathOf(plan, applied))) + ": " +
                      QString::fromStdString(applied.reason);
    const std::vector<WebPlanStep> done = renamesAmong(plan, applied.stepsDone);
    message += done.empty() ? QString("; no file was renamed") : QString("; files already renamed:");
    for (const WebPlanStep& rename : done)
        message += QString("\n  %1 -> %2").arg(QString::fromStdString(rename.from), QString::fromStdString(rename.to));
    return failAs("folder_not_changed", message + "\nnothing built");
}

int buildFailure(const WebBuildResult& build) {
    switch (build.status) {
        case WebBuildStatus::Built: return 0;
        case WebBuildStatus::NothingToBuild: return failAs("nothing_to_build", "there is no file to build");
        case WebBuildStatus::FileUnreadable:
            return failAs("file_unreadable", QString("cannot read %1: %2; nothing built")
                            .arg(QString::fromStdString(build.failedPath), QString::fromStdString(build.reason)));
        case WebBuildStatus::OverLimit:
            return failAs("over_limit", QString("the files now add up to more than %1 bytes; nothing built").arg(WEB_IMAGE_LIMIT));
        case WebBuildStatus::TooManyFiles: return failAs("too_many_files", "more files than the offset table can reach; nothing built");
        case WebBuildStatus::TooLarge: return failAs("too_large", "the image is too large; nothing built");
    }
    return kExitFailure;
}

int build(const CliOptions& options, const QString& folderArg) {
    const bool dryRun = options.has("dry-run");
    const QString output = options.value("output");
    if (output.isEmpty() && !dryRun) return printUsage(usageText(), stderr, kExitUsage);
    DiskWebFileSystem disk;
    const std::string folder = QDir::cleanPath(QDir(folderArg).absolutePath()).toStdString();
    const std::string templatePath =
        options.has("template") ? QDir(options.value("template")).absolutePath().toStdString()
                                : locateWebTemplate(disk, QDir::currentPath().toStdString(),
                                                    QCoreApplication::applicationDirPath().toStdString());
    const WebFolderSelection selection = selectWebFolder(disk, folder, templatePath, dryRun);
    const WebFolderPlan& plan = selection.plan;
    if (selection.status == WebSelectionStatus::Refused) {
        if (selection.listsFolderAsItIs() && !jsonOutput()) printPlan(plan, nullptr);
        return planFailure(plan);
    }
    if (selection.status == WebSelectionStatus::NotChanged) {
        if (!jsonOutput()) printPlan(plan, nullptr);
        return applyFailure(plan, selection.applied);
    }
    const WebBuildResult build = dryRun ? previewSelectedImage(disk, selection) : composeSelectedImage(disk, selection);
    if (!jsonOutput()) printPlan(plan, &build);
    if (!build.ok()) return buildFailure(build);
    if (dryRun) return built(plan, build, QString());
    if (!disk.writeFile(QDir(output).absolutePath().toStdString(), build.image))
        return failAs("file_not_written", QString("cannot write %1: %2").arg(output, QString::fromStdString(disk.lastError())));
    return built(plan, build, output);
}

// {"file", "bytes", "table": [the offset of each of the 256 entries], "records": [...], "defaultRecord",
// "unreachable": [...], "malformations": [...]}; a malformed file gives the error object
// "malformed_image" with the same keys, and status 1 as the text.
int inspectJson(const QString& path, size_t bytes, const WebImageContents& contents) {
    QJsonArray table, records, unreachable, issues;
    for (const auto entry : contents.table) table.append(int(entry));
    for (const WebImageRecordView& v : contents.records) {
        QJsonObject record{{"offset", qint64(v.offset)}, {"length", qint64(v.length)}, {"flag", int(v.flag)}};
        if (v.headerParsed) {
            record["status"] = qs(v.statusLine);
            record["contentLength"] = v.contentLength ? QJsonValue(qint64(*v.contentLength)) : QJsonValue();
            record["contentType"] = qs(v.contentType);
            record["bodyBytes"] = qint64(v.bodySize);
        }
        records.append(record);
    }
    for (int r : contents.unreachable) unreachable.append(r);
    for (const WebImageIssue& issue : contents.issues)
        issues.append(QJsonObject{{"entry", issue.entry}, {"record", issue.record}, {"value", qint64(issue.value)},
                                  {"message", qs(describeWebImageProblem(issue.problem))}});
    const QJsonObject object{{"file", path}, {"bytes", qint64(bytes)}, {"table", table}, {"records", records},
                             {"defaultRecord", contents.defaultRecord ? QJsonValue(*contents.defaultRecord) : QJsonValue()},
                             {"unreachable", unreachable}, {"malformations", issues}};
    if (contents.ok()) {
        printJson(object);
        return 0;
    }
    // One object still: the error, with everything the inspection found.
    printJsonError("malformed_image", path + ": the image is malformed", object);
    return kExitFailure;
}

int inspect(const QString& path) {
    DiskWebFileSystem disk;
    std::vector<uint8_t> image;
    if (!disk.readFile(QDir(path).absolutePath().toStdString(), image))
        return failAs("file_unreadable", QString("cannot read %1: %2").arg(path, QString::fromStdString(disk.lastError())));
    const WebImageContents contents = readWebImage(image);
    if (jsonOutput()) return inspectJson(path, image.size(), contents);
    printLine("file: " + path.toStdString() + " (" + std::to_string(image.size()) + " bytes)");
    if (!contents.table.empty()) {
        printLine(std::string("table by record:"));
        std::string unused;
        for (size_t k = 0; k < contents.table.size(); ++k)
            if (contents.table[k] == 0) unused += " " + hex2(static_cast<unsigned>(k));
        for (size_t r = 0; r < contents.records.size(); ++r) {
            std::string entries;
            for (int k : contents.records[r].entries) entries += " " + hex2(static_cast<unsigned>(k));
            printLine("  record " + std::to_string(r) + ":" + (entries.empty() ? std::string(" none") : entries));
        }
        if (!unused.empty()) printLine("  unused (0):" + unused);
    }
    printLine(std::string("records:"));
    for (size_t r = 0; r < contents.records.size(); ++r) {
        const WebImageRecordView& v = contents.records[r];
        std::string line = "  " + std::to_string(r) + ": offset " + std::to_string(v.offset) + ", length " +
                           std::to_string(v.length) + ", flag " + std::to_string(v.flag);
        if (v.headerParsed) {
            line += ", \"" + v.statusLine + "\", Content-Length " +
                    (v.contentLength ? std::to_string(*v.contentLength) : std::string("none")) + ", Content-Type \"" +
                    v.contentType + "\", body " + std::to_string(v.bodySize) + " bytes";
        }
        printLine(line);
    }
    printLine("default page: " + (contents.defaultRecord ? "record " + std::to_string(*contents.defaultRecord) + " at " +
                                                               std::to_string(contents.records[*contents.defaultRecord].offset)
                                                         : std::string("none")));
    std::string unreachable;
    for (int r : contents.unreachable) unreachable += " " + std::to_string(r);
    printLine("unreachable records:" + (unreachable.empty() ? std::string(" none") : unreachable));
    printLine(std::string("malformations:") + (contents.ok() ? " none" : ""));
    for (const WebImageIssue& issue : contents.issues) {
        std::string where;
        if (issue.entry >= 0) where += "entry " + hex2(static_cast<unsigned>(issue.entry)) + ": ";
        if (issue.record >= 0) where += "record " + std::to_string(issue.record) + ": ";
        printLine("  " + where + describeWebImageProblem(issue.problem) + " (" + std::to_string(issue.value) + ")");
    }
    return contents.ok() ? 0 : kExitFailure;
}

int run(const QStringList& args) {
    CliOptions options;
    options.readShortOutput();
    const bool parsed = options.parse(args, {"output", "template"}, {"dry-run", "help"});
    if (const auto answer = usageAnswer(parsed, options.error(), options, usageText)) return *answer;
    const QStringList& words = options.positional();
    // The paths read are checked before anything is read or changed.
    QString error;
    if (words.size() == 2 && words[0] == "build" && !checkInputPath(words[1], true, error)) return fail(error, kExitUsage);
    if (words.size() == 2 && words[0] == "inspect" && !checkInputPath(words[1], false, error))
        return fail(error, kExitUsage);
    if (options.has("template") && !checkInputPath(options.value("template"), false, error))
        return fail("--template: " + error, kExitUsage);
    if (words.size() == 2 && words[0] == "build") return build(options, words[1]);
    if (words.size() == 2 && words[0] == "inspect" && !options.has("output") && !options.has("dry-run") &&
        !options.has("template"))
        return inspect(words[1]);
    return printUsage(usageText(), stderr, kExitUsage);
}

const CliCommand kImage("image", "the web project file (.TAV): build from a folder, inspect", usageText,
    CliCommand::HelpWord::OptionOnly, run);

}  // namespace
}  // namespace tavo::cli
