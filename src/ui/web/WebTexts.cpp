#include "WebTexts.h"

#include <QStringList>

#include "TimeLeft.h"

namespace tavo::webtexts {
namespace {

const QString& kError = commontexts::kError;
const QString& kNotice = commontexts::kNotice;
const QString kAlert = QStringLiteral("Alert");
const QString kStopped = QStringLiteral("\n\n   Processo di costruzione interrotto..");

QString q(const std::string& text) { return QString::fromStdString(text); }

QString url(const WebFolderPlan& plan, const std::string& path) { return q(webUrlPath(plan.folder, path)); }

// Why the scan left an entry of the folder out of the list; empty for the other notes.
QString leftOutReason(WebNoteKind kind) {
    switch (kind) {
        case WebNoteKind::SymbolicLinkSkipped: return QStringLiteral("collegamento simbolico");
        case WebNoteKind::NotRegularFileSkipped: return QStringLiteral("non è un file regolare");
        case WebNoteKind::FolderTooDeep:
            return QStringLiteral("cartella oltre %1 livelli, non esaminata").arg(WEB_MAX_FOLDER_DEPTH);
        case WebNoteKind::SpecialIndexReserved:
        case WebNoteKind::SharedIndex:
        case WebNoteKind::RenameWalkExhausted: break;
    }
    return {};
}

}  // namespace

Message reservedIndex() { return {QStringLiteral("L'indice che sis ta adoperando è riservato!!"), kError}; }

Message overLimit(qint64 totalBytes) {
    return {QStringLiteral("I files selezionati eccedono la dimensione max consentita!!(%1 bytes)\n\n   Processo di "
                           "costruzione interrotto..")
                .arg(totalBytes),
            kAlert};
}

Message nothingToBuild() {
    return {QStringLiteral("Non c'è alcun file di progetto da costruire."), QStringLiteral("Attenzione!!")};
}

Message buildCompleted() { return {QStringLiteral("Costruzione Completata!!"), QStringLiteral("Operazione eseguita")}; }

Message planFailure(const WebFolderPlan& plan) {
    const QString path = q(plan.failedPath), reason = q(plan.reason);
    switch (plan.status) {
        case WebPlanStatus::Ready: return {};
        case WebPlanStatus::OverLimit: return overLimit(static_cast<qint64>(plan.totalBytes));
        case WebPlanStatus::FolderUnreadable:
            return {QStringLiteral("Impossibile leggere la cartella %1 (%2).").arg(path, reason) + kStopped, kError};
        case WebPlanStatus::TemplateMissing:
            if (path.isEmpty())
                return {QStringLiteral("La pagina predefinita \"707.html\" non è stata trovata.") + kStopped, kError};
            return {QStringLiteral("Impossibile leggere la pagina predefinita %1 (%2).").arg(path, reason) + kStopped,
                    kError};
        case WebPlanStatus::PageUnreadable:
            return {QStringLiteral("Impossibile leggere il file %1 (%2).\nNessun file è stato modificato.").arg(path, reason) +
                        kStopped,
                    kError};
        case WebPlanStatus::TooManyFiles:
            return {QStringLiteral("I files selezionati sono %1: al massimo %2 risorse sono raggiungibili.")
                            .arg(plan.rows.size())
                            .arg(WEB_MAX_RESOURCES) +
                        kStopped,
                    kAlert};
    }
    return {};
}

Message applyFailure(const WebFolderPlan& plan, const WebApplyResult& applied) {
    QString text;
    switch (applied.status) {
        case WebApplyStatus::Done: return {};
        case WebApplyStatus::CopyFailed:
            text = QStringLiteral("Impossibile copiare la pagina predefinita in %1 (%2).");
            break;
        case WebApplyStatus::RenameFailed: text = QStringLiteral("Impossibile rinominare il file %1 (%2)."); break;
        case WebApplyStatus::PatchFailed: text = QStringLiteral("Impossibile aggiornare il file %1 (%2)."); break;
    }
    text = text.arg(q(failedPathOf(plan, applied)), q(applied.reason));
    const std::vector<WebPlanStep> done = renamesAmong(plan, applied.stepsDone);
    if (done.empty()) {
        text += QStringLiteral("\nNessun file è stato rinominato.");
    } else {
        text += QStringLiteral("\nFile già rinominati:");
        for (const WebPlanStep& rename : done)
            text += QStringLiteral("\n   %1 -> %2").arg(url(plan, rename.from), url(plan, rename.to));
    }
    return {text + kStopped, kError};
}

Message buildFailure(const WebBuildResult& result) {
    switch (result.status) {
        case WebBuildStatus::Built: return {};
        case WebBuildStatus::NothingToBuild: return nothingToBuild();
        case WebBuildStatus::FileUnreadable:
            return {QStringLiteral("Impossibile leggere il file %1 (%2).").arg(q(result.failedPath), q(result.reason)),
                    kError};
        case WebBuildStatus::OverLimit: return overLimit(static_cast<qint64>(result.totalBytes));
        case WebBuildStatus::TooManyFiles:
        case WebBuildStatus::TooLarge:
            return {QStringLiteral("Il file di progetto non può contenere tutti i files selezionati."), kError};
    }
    return {};
}

Message writeFailure(const QString& path, const QString& reason) {
    return {QStringLiteral("Impossibile scrivere il file di progetto %1 (%2).").arg(path, reason), kError};
}

Message changesMade(const WebFolderPlan& plan) {
    QString renamed, shared;
    QStringList pages;  // each page once, however many renames it follows
    for (const WebPlanStep& step : plan.steps) {
        if (step.kind == WebStepKind::Rename)
            renamed += QStringLiteral("\n   %1 -> %2").arg(url(plan, step.from), q(step.newName));
        else if (step.kind == WebStepKind::PatchPage && !pages.contains(url(plan, step.to)))
            pages << url(plan, step.to);
    }
    QString patched;
    for (const QString& page : pages) patched += QStringLiteral("\n   ") + page;
    QString leftOut;
    for (const WebNote& note : plan.notes) {
        if (note.kind == WebNoteKind::SharedIndex || note.kind == WebNoteKind::RenameWalkExhausted)
            shared += QStringLiteral("\n   %1").arg(url(plan, note.path));
        else if (const QString why = leftOutReason(note.kind); !why.isEmpty())
            leftOut += QStringLiteral("\n   %1 (%2)").arg(url(plan, note.path), why);
    }
    QString text;
    if (!renamed.isEmpty())
        text += QStringLiteral("Alcuni files avevano lo stesso indice e sono stati rinominati:") + renamed;
    if (!patched.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                QStringLiteral("Pagine aggiornate con i nuovi nomi:") + patched;
    if (!shared.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                QStringLiteral("Files che condividono l'indice con un altro file (non raggiungibili):") + shared;
    if (!leftOut.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                QStringLiteral("Files lasciati fuori dalla lista:") + leftOut;
    return {text, text.isEmpty() ? QString() : kNotice};
}

Message projectFileUnreadable(const QString& path, const QString& reason) {
    return {QStringLiteral("Impossibile leggere il file di progetto\n%1\n(%2)").arg(path, reason), kCaptionError};
}

Message uploadFailure(const UploadResult& result, const QString& target) {
    switch (result.status) {
    case UploadStatus::VerifyFailed:
        return {QStringLiteral("Verifica fallita: il blocco %1 letto dal dispositivo è diverso dal file "
                               "(%2 blocchi diversi).")
                    .arg(*result.verification->firstDifference())
                    .arg(result.verification->differing.size()),
                kCaptionError};
    case UploadStatus::VerifyIncomplete:
        return {QStringLiteral("Verifica incompleta: %1 blocchi non sono stati riletti dal dispositivo.")
                    .arg(result.verification->missing.size()),
                kCaptionError};
    case UploadStatus::NoSocket:
        return {QStringLiteral("Impossibile aprire il socket verso %1.").arg(target), kCaptionError};
    case UploadStatus::Completed:
    case UploadStatus::Stopped: break;
    }
    return {};
}

QString timeLeftText(std::chrono::milliseconds timeLeft) {
    const TimeLeft split = splitTimeLeft(timeLeft);
    return split.underAMinute()
               ? QStringLiteral("%1 s").arg(split.seconds)
               : QStringLiteral("%1 min %2 s").arg(split.minutes).arg(split.seconds, 2, 10, QLatin1Char('0'));
}

QString progressFormat(UploadPhase phase, std::chrono::milliseconds timeLeft) {
    const QString left = timeLeftText(timeLeft);
    const QString prefix = phase == UploadPhase::Sending ? QString() : QStringLiteral("Verifica ");
    // %p is the bar's own percentage.
    return prefix + QStringLiteral("%p%  -  tempo rimasto %1").arg(left);
}

}  // namespace tavo::webtexts
