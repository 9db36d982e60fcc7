#include "CommissionTexts.h"

#include "bootp/BootpTexts.h"
#include "web/WebTexts.h"

namespace tavo::commissiontexts {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }
QString dotted(const Ipv4Octets& ip) { return q(formatDotted(ip)); }
// "0x2A": the register and value as the registers file writes them, with the prefix.
QString hexByte(uint8_t value) { return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }

// A block's number, or nothing when the record does not carry it.
QString blockFigure(const CommissionRecord& record) {
    return record.block ? QStringLiteral(" %1").arg(*record.block) : QString();
}

QString failureText(const CommissionRecord& record) {
    switch (record.failure) {
    case CommissionFailure::None: break;
    case CommissionFailure::AddressNotConfirmed: return QStringLiteral("nessuna risposta alla ricerca IP");
    case CommissionFailure::OtherAddress:
        return record.otherIp ? QStringLiteral("risponde a %1").arg(dotted(*record.otherIp))
                              : QStringLiteral("risponde a un altro indirizzo");
    case CommissionFailure::NoSocket: return QStringLiteral("impossibile aprire il socket");
    case CommissionFailure::DeviceSilent: return QStringLiteral("silenzioso dal blocco") + blockFigure(record);
    case CommissionFailure::BlocksDiffer:
        return QStringLiteral("blocco%1 diverso dopo i nuovi invii").arg(blockFigure(record));
    case CommissionFailure::BlocksMissing:
        return QStringLiteral("blocco%1 mai riletto dopo i nuovi invii").arg(blockFigure(record));
    case CommissionFailure::RegisterNoReply:
        return record.reg ? QStringLiteral("registro %1 senza risposta").arg(hexByte(*record.reg))
                          : QStringLiteral("registro senza risposta");
    case CommissionFailure::RegisterDiffers:
        if (record.reg && record.regValue)
            return QStringLiteral("registro %1 letto %2").arg(hexByte(*record.reg), hexByte(*record.regValue));
        return QStringLiteral("registro riletto diverso");
    case CommissionFailure::Interrupted: break;
    }
    return QStringLiteral("errore");
}

}  // namespace

QString serviceServes() {
    return QStringLiteral("Il server BootP della pagina %1 è avviato: fermarlo prima di avviare la linea.").arg(kIpPageTitle);
}

QString phaseText(const CommissionDeviceState& state) {
    switch (state.phase) {
    case CommissionPhase::Waiting: return QStringLiteral("in attesa");
    case CommissionPhase::AddressAssigned: return QStringLiteral("indirizzo assegnato");
    case CommissionPhase::Uploading: return QStringLiteral("upload %1 %").arg(state.percent);
    case CommissionPhase::Registers: return QStringLiteral("registri");
    case CommissionPhase::Verifying: return QStringLiteral("verifica %1 %").arg(state.percent);
    case CommissionPhase::Completed: return QStringLiteral("completato");
    case CommissionPhase::Failed: return QStringLiteral("errore");
    }
    return {};
}

QString timeLeftText(const CommissionDeviceState& state) {
    // Nothing for a device that ended, or whose time is not known yet.
    if (state.phase == CommissionPhase::Completed || state.phase == CommissionPhase::Failed) return {};
    if (state.timeLeft <= std::chrono::milliseconds::zero()) return {};
    return webtexts::timeLeftText(state.timeLeft);
}

QString resultText(const CommissionRecord& record) {
    switch (record.outcome) {
    case CommissionOutcome::Verified: return QStringLiteral("verificato");
    case CommissionOutcome::Completed: return QStringLiteral("completato senza verifica");
    case CommissionOutcome::Interrupted: return QStringLiteral("interrotto");
    case CommissionOutcome::Failed: return failureText(record);
    }
    return {};
}

QString unknownDeviceText(const CommissionUnknownDevice& device) {
    switch (device.status) {
    case DeviceTableStatus::Done: return {};
    case DeviceTableStatus::PoolUsedUp: return QStringLiteral("non aggiunto: intervallo di indirizzi esaurito");
    case DeviceTableStatus::Duplicate:
        return device.takenBy >= 0
                   ? QStringLiteral("non aggiunto: indirizzo %1 già del record %2").arg(dotted(device.ip)).arg(device.takenBy + 1)
                   : QStringLiteral("non aggiunto: indirizzo %1 già assegnato").arg(dotted(device.ip));
    case DeviceTableStatus::NotFound: return QStringLiteral("non presente in bootp.ini");
    case DeviceTableStatus::Unreadable:
    case DeviceTableStatus::Full:
    case DeviceTableStatus::NotSaved:
    case DeviceTableStatus::NoRecords:
    case DeviceTableStatus::NoSelection: break;
    }
    return QStringLiteral("non aggiunto alla tabella");
}

QString summaryText(const CommissionSummary& summary) {
    QString text = QStringLiteral("Linea ferma: %1 dispositivi terminati, %2 verificati, %3 completati senza verifica, "
                                  "%4 con errore, %5 interrotti, %6 già verificati.")
                       .arg(summary.ended)
                       .arg(summary.verified)
                       .arg(summary.completed)
                       .arg(summary.failed)
                       .arg(summary.interrupted)
                       .arg(summary.skipped);
    if (summary.reportFailed) text += QStringLiteral(" Il rapporto non contiene tutte le righe.");
    return text;
}

QString registersUnreadable(const QString& path, const QString& reason) {
    return QStringLiteral("Impossibile leggere il file dei registri\n%1\n(%2)").arg(path, reason);
}

QString registersProblem(const QString& path, const RegisterFileProblem& problem) {
    const QString word = q(problem.word);
    QString what;
    switch (problem.kind) {
    case RegisterFileProblemKind::BadRegister:
        what = QStringLiteral("\"%1\" non è un registro (una o due cifre esadecimali)").arg(word);
        break;
    case RegisterFileProblemKind::BadValue:
        what = word.isEmpty() ? QStringLiteral("manca il valore del registro")
                              : QStringLiteral("\"%1\" non è un valore (una o due cifre esadecimali)").arg(word);
        break;
    case RegisterFileProblemKind::ExtraText:
        what = QStringLiteral("testo in più dopo il valore: \"%1\"").arg(word);
        break;
    case RegisterFileProblemKind::Duplicate:
        what = QStringLiteral("il registro %1 è già dato alla riga %2").arg(word).arg(problem.otherLine);
        break;
    case RegisterFileProblemKind::TooLong:
        return QStringLiteral("Il file dei registri\n%1\nsupera %2 byte.").arg(path).arg(kMaxRegisterFileBytes);
    }
    return QStringLiteral("File dei registri\n%1\nriga %2: %3.").arg(path).arg(problem.line).arg(what);
}

QString reportProblem(const QString& path, const CommissionReportProblem& problem) {
    const QString reason = q(problem.reason);
    switch (problem.status) {
    case CommissionReportStatus::Ok: return {};
    case CommissionReportStatus::CannotOpen:
        return QStringLiteral("Impossibile aprire il rapporto\n%1\n(%2)").arg(path, reason);
    case CommissionReportStatus::CannotRead:
        return QStringLiteral("Impossibile leggere il rapporto\n%1\n(%2)").arg(path, reason);
    case CommissionReportStatus::NotAReport:
        return QStringLiteral("Il file\n%1\nnon è un rapporto della linea (riga %2).").arg(path).arg(problem.line);
    case CommissionReportStatus::WriteFailed:
        return QStringLiteral("Impossibile scrivere nel rapporto\n%1\n(%2): la linea non accetta altri dispositivi.")
            .arg(path, reason);
    }
    return {};
}

}  // namespace tavo::commissiontexts
