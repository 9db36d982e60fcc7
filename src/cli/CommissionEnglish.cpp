#include "CommissionEnglish.h"

namespace tavo::cli {

const char* commissionPhaseName(CommissionPhase phase) {
    switch (phase) {
    case CommissionPhase::Waiting: return "waiting";
    case CommissionPhase::AddressAssigned: return "address_assigned";
    case CommissionPhase::Uploading: return "uploading";
    case CommissionPhase::Registers: return "registers";
    case CommissionPhase::Verifying: return "verifying";
    case CommissionPhase::Completed: return "completed";
    case CommissionPhase::Failed: return "failed";
    }
    return "";
}

QString commissionPhaseText(CommissionPhase phase) {
    return QString(commissionPhaseName(phase)).replace('_', ' ');
}

QString registerFileProblemText(const QString& path, const RegisterFileLoad& load) {
    switch (load.file.status) {
    case FileReadStatus::Ok: break;
    case FileReadStatus::TooLarge:
        return QString("%1 is %2 bytes, larger than the %3 bytes a registers file may have")
            .arg(path)
            .arg(load.file.length)
            .arg(kMaxRegisterFileBytes);
    case FileReadStatus::CannotOpen:
    case FileReadStatus::CannotRead:
        return QString("cannot read %1: %2").arg(path, QString::fromStdString(load.file.reason));
    }
    if (!load.parsed.problem) return {};
    const RegisterFileProblem& p = *load.parsed.problem;
    const QString word = QString::fromUtf8(p.word.data(), qsizetype(p.word.size()));
    QString why;
    switch (p.kind) {
    case RegisterFileProblemKind::BadRegister: why = "not a register (1 or 2 hexadecimal digits): " + word; break;
    case RegisterFileProblemKind::BadValue:
        why = word.isEmpty() ? QString("the value is missing") : "not a value (1 or 2 hexadecimal digits): " + word;
        break;
    case RegisterFileProblemKind::ExtraText: why = "more than a register and a value: " + word; break;
    case RegisterFileProblemKind::Duplicate: why = QString("register %1 is already set on line %2").arg(word).arg(p.otherLine); break;
    case RegisterFileProblemKind::TooLong: why = "the file is too long"; break;
    }
    return QString("%1:%2: %3").arg(path).arg(p.line).arg(why);
}

QString reportProblemText(const QString& path, const CommissionReportProblem& problem) {
    const QString reason = QString::fromStdString(problem.reason);
    switch (problem.status) {
    case CommissionReportStatus::Ok: return {};
    case CommissionReportStatus::CannotOpen: return QString("cannot open the report %1: %2").arg(path, reason);
    case CommissionReportStatus::CannotRead: return QString("cannot read the report %1: %2").arg(path, reason);
    case CommissionReportStatus::NotAReport:
        return QString("%1:%2: not a line of a commissioning report (choose another report file)").arg(path).arg(problem.line);
    case CommissionReportStatus::WriteFailed: return QString("cannot write the report %1: %2").arg(path, reason);
    }
    return {};
}

}  // namespace tavo::cli
