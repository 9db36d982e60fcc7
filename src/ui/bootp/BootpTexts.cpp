#include "BootpTexts.h"

#include <QStringList>

namespace tavo {

QString bootpOutcomeText(BootpRequestOutcome outcome) {
    switch (outcome) {
    case BootpRequestOutcome::Answered: return QStringLiteral("risposta inviata");
    case BootpRequestOutcome::Unknown: return QStringLiteral("non in tabella");
    case BootpRequestOutcome::Refused: return QStringLiteral("rifiutata (non TAVO)");
    case BootpRequestOutcome::NotBootp: return QStringLiteral("non è una richiesta BootP");
    case BootpRequestOutcome::Dropped: return QStringLiteral("scartata");
    case BootpRequestOutcome::Failed: return QStringLiteral("risposta non inviata");
    }
    return {};
}

QString bootpRivalServerText(const BootpRivalServer& rival) {
    return QStringLiteral("Attenzione: anche il server %1 risponde ai dispositivi TAVO").arg(rival.server.toString());
}

QString bootpInterfaceText(const BootpInterfaceEvent& event) {
    switch (event.state) {
    case BootpInterfaceState::Up:
        return QStringLiteral("Interfaccia %1 di nuovo attiva (%2): BootP in servizio")
            .arg(event.name, event.address.toString());
    case BootpInterfaceState::Down:
        return QStringLiteral("Interfaccia %1 disattivata: BootP in attesa che torni").arg(event.name);
    case BootpInterfaceState::NoAddress:
        return QStringLiteral("Interfaccia %1 senza indirizzo IPv4: BootP in attesa").arg(event.name);
    case BootpInterfaceState::Missing:
        return QStringLiteral("Interfaccia %1 scomparsa: BootP in attesa che torni").arg(event.name);
    }
    return {};
}

}  // namespace tavo

namespace tavo::preflighttexts {
namespace {

QString holders(const std::vector<PortHolder>& list) {
    QStringList named;
    for (const PortHolder& holder : list) {
        const QString program =
            holder.program.empty() ? QStringLiteral("sconosciuto") : QString::fromStdString(holder.program);
        named << QStringLiteral("%1 (pid %2)").arg(program).arg(holder.pid);
    }
    return named.join(QStringLiteral(", "));
}

}  // namespace

QString startFailureCause(const PreflightFinding& f) {
    if (f.status != PreflightStatus::Blocked) return {};
    const QString name = f.interfaceNames.empty() ? QString() : QString::fromStdString(f.interfaceNames.front());
    switch (f.cause) {
    case PreflightCause::PortHeld:
        if (f.holders.empty())
            return QString::fromUtf8(
                       "La porta UDP %1 è occupata da un altro programma, che questo utente non può vedere: "
                       "avviare l'utilità come amministratore per conoscerne il nome.")
                .arg(f.port);
        if (f.holders.size() == 1)
            return QString::fromUtf8(
                       "La porta UDP %1 è occupata dal programma %2: chiuderlo, poi premere di nuovo "
                       "\"Avvio BootP\".")
                .arg(f.port)
                .arg(holders(f.holders));
        return QString::fromUtf8(
                   "La porta UDP %1 è occupata dai programmi %2: chiuderli, poi premere di nuovo "
                   "\"Avvio BootP\".")
            .arg(f.port)
            .arg(holders(f.holders));
    case PreflightCause::PortNoPermission:
        return QString::fromUtf8("Questo utente non può aprire la porta UDP %1: avviare l'utilità come amministratore.")
            .arg(f.port);
    case PreflightCause::PortError:
        return QStringLiteral("La porta UDP %1 non si apre: %2.").arg(f.port).arg(QString::fromStdString(f.detail));
    case PreflightCause::ChosenInterfaceMissing:
        return QStringLiteral("L'interfaccia di rete %1 non esiste.").arg(name);
    case PreflightCause::ChosenInterfaceDown:
        return QString::fromUtf8("L'interfaccia di rete %1 è disattivata.").arg(name);
    case PreflightCause::ChosenInterfaceNoLink:
        return QStringLiteral("L'interfaccia di rete %1 non ha collegamento: il cavo è inserito?").arg(name);
    case PreflightCause::ChosenInterfaceNoAddress:
        return QStringLiteral("L'interfaccia di rete %1 non ha un indirizzo IPv4.").arg(name);
    case PreflightCause::ChosenInterfaceCannotBroadcast:
        return QStringLiteral("L'interfaccia di rete %1 non consente il broadcast.").arg(name);
    case PreflightCause::NoBroadcastInterface:
        return QStringLiteral(
            "Nessuna interfaccia di rete attiva con un collegamento, un indirizzo IPv4 e il broadcast.");
    default: return {};
    }
}

}  // namespace tavo::preflighttexts

namespace tavo::csvtexts {
namespace {

// Lines shown in the message; the rest are counted.
constexpr size_t kShownProblems = 20;

QString problemText(const CsvProblem& p) {
    switch (p.kind) {
    case CsvProblemKind::NoHeader: return QStringLiteral("manca la riga di intestazione (ip,mac,gateway,subnet,htype,hlen)");
    case CsvProblemKind::UnknownColumn: return QStringLiteral("colonna sconosciuta");
    case CsvProblemKind::RepeatedColumn: return QStringLiteral("colonna ripetuta (già in colonna %1)").arg(p.other);
    case CsvProblemKind::MissingColumn:
        return QStringLiteral("manca la colonna %1").arg(QString::fromLatin1(csvColumnName(p.missing)));
    case CsvProblemKind::UnclosedQuote: return QStringLiteral("virgolette non chiuse");
    case CsvProblemKind::TextAfterQuote: return QStringLiteral("testo dopo le virgolette di chiusura");
    case CsvProblemKind::ExtraField: return QStringLiteral("campo oltre le colonne dell'intestazione");
    case CsvProblemKind::MissingValue: return QStringLiteral("campo vuoto");
    case CsvProblemKind::BadAddress: return QStringLiteral("indirizzo IP non valido");
    case CsvProblemKind::UnusableIp: return QStringLiteral("indirizzo IP non utilizzabile (0.0.0.0, .0 o .255)");
    case CsvProblemKind::BadMac: return QStringLiteral("indirizzo MAC non valido");
    case CsvProblemKind::BadNumber: return QStringLiteral("numero non valido (da 0 a 255)");
    case CsvProblemKind::DuplicateMacInFile: return QStringLiteral("indirizzo MAC già alla riga %1").arg(p.other);
    case CsvProblemKind::DuplicateIpInFile: return QStringLiteral("indirizzo IP già alla riga %1").arg(p.other);
    case CsvProblemKind::DuplicateMacInTable: return QStringLiteral("indirizzo MAC già nel dispositivo %1").arg(p.other);
    case CsvProblemKind::DuplicateIpInTable: return QStringLiteral("indirizzo IP già nel dispositivo %1").arg(p.other);
    case CsvProblemKind::TwoRecordsMatch: return QStringLiteral("MAC e IP di due dispositivi diversi (IP: %1)").arg(p.other);
    case CsvProblemKind::RecordReplacedTwice: return QStringLiteral("dispositivo già sostituito dalla riga %1").arg(p.other);
    case CsvProblemKind::TooManyRecords: return QStringLiteral("la tabella supererebbe %1 dispositivi").arg(p.other);
    }
    return {};
}

}  // namespace

QString imported(const DeviceImportResult& result) {
    return QStringLiteral("Dispositivi importati: %1 (%2 aggiunti, %3 sostituiti).")
        .arg(result.added + result.replaced)
        .arg(result.added)
        .arg(result.replaced);
}

QString exported(int count, const QString& path) {
    return QStringLiteral("Dispositivi esportati: %1 in %2.").arg(count).arg(path);
}

QString refused(const QString& path, const DeviceImportResult& result) {
    QStringList lines{QStringLiteral("Nessun dispositivo importato da %1: %2 errori.").arg(path).arg(result.problemCount)};
    for (size_t i = 0; i < result.problems.size() && i < kShownProblems; ++i) {
        const CsvProblem& p = result.problems[i];
        const QString where = p.column > 0 ? QStringLiteral("Riga %1, colonna %2").arg(p.line).arg(p.column)
                                           : QStringLiteral("Riga %1").arg(p.line);
        lines << where + QStringLiteral(": ") + problemText(p);
    }
    const size_t shown = std::min(result.problems.size(), kShownProblems);
    if (result.problemCount > shown) lines << QStringLiteral("... e altri %1.").arg(result.problemCount - shown);
    return lines.join('\n');
}

QString fileUnreadable(const QString& path, const std::string& reason) {
    return QStringLiteral("Impossibile leggere il file %1: %2").arg(path, QString::fromStdString(reason));
}

QString fileTooLarge(const QString& path) {
    return QStringLiteral("Il file %1 supera le dimensioni consentite (%2 byte).").arg(path).arg(kMaxDeviceCsvBytes);
}

QString fileNotWritten(const QString& path, const std::string& reason) {
    return QStringLiteral("Impossibile scrivere il file %1: %2").arg(path, QString::fromStdString(reason));
}

}  // namespace tavo::csvtexts
