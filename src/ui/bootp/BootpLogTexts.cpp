#include "BootpLogTexts.h"

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
