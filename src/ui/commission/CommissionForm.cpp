#include "CommissionForm.h"

#include <QFileInfo>

#include "CommissionTexts.h"
#include "RegisterFileLoad.h"
#include "UploadPlan.h"
#include "common/TablePrompts.h"
#include "web/WebTexts.h"

namespace tavo {
namespace {

namespace texts = commissiontexts;

CommissionForm::Check refused(const QString& message) { return {std::nullopt, message}; }

std::string utf8(const QString& text) { return text.toStdString(); }

}  // namespace

CommissionForm::Check CommissionForm::check(const AppContext& context) const {
    CommissionRequest request;
    request.link = context.link;
    request.pace = context.pace;
    request.dataDir = utf8(context.dataDir);
    request.tableMessages = tableMessagesTo(context.prompts);
    request.verify = verify;
    request.changedOnly = changedOnly;
    request.resume = resume;

    if (image.isEmpty()) return refused(webtexts::kNoProjectFile);
    ProjectFile project = loadProjectFile(utf8(image));
    switch (project.status) {
    case ProjectFileStatus::Ok: break;
    case ProjectFileStatus::TooLarge: return refused(webtexts::kFileTooLarge);
    case ProjectFileStatus::CannotOpen:
    case ProjectFileStatus::CannotRead:
        return refused(webtexts::projectFileUnreadable(image, QString::fromStdString(project.reason)).text);
    }
    // Nothing to upload would "commission" every device with an empty flash.
    if (project.bytes.empty()) return refused(texts::kProjectEmpty.arg(image));
    request.image.bytes = std::make_shared<const std::vector<uint8_t>>(std::move(project.bytes));
    request.image.name = utf8(QFileInfo(image).fileName());

    if (!registers.isEmpty()) {
        const RegisterFileLoad load = loadRegisterFile(utf8(registers));
        switch (load.file.status) {
        case FileReadStatus::Ok: break;
        case FileReadStatus::TooLarge: {
            RegisterFileProblem tooLong;
            tooLong.kind = RegisterFileProblemKind::TooLong;
            return refused(texts::registersProblem(registers, tooLong));
        }
        case FileReadStatus::CannotOpen:
        case FileReadStatus::CannotRead:
            return refused(texts::registersUnreadable(registers, QString::fromStdString(load.file.reason)));
        }
        if (load.parsed.problem) return refused(texts::registersProblem(registers, *load.parsed.problem));
        request.registers = load.parsed.settings;
    }

    if (poolFirst.has_value() != poolLast.has_value()) return refused(texts::kHalfPool);
    if (poolFirst) {
        // The pool's own rule decides (order, size); the message tells which one failed.
        request.pool = AddressPool::parse(formatDotted(*poolFirst) + "-" + formatDotted(*poolLast));
        if (!request.pool) {
            if (*poolLast < *poolFirst) return refused(texts::kPoolReversed);
            return refused(texts::kPoolTooLarge.arg(AddressPool::kMaxPoolSize));
        }
    }

    if (report.trimmed().isEmpty()) return refused(texts::kNoReport);
    request.reportPath = utf8(report);
    return {std::move(request), QString()};
}

}  // namespace tavo
