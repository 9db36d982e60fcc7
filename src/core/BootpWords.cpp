#include "BootpWords.h"

#include <cctype>

namespace tavo {
namespace {

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string bootpStartFailureReason(const BootpEvent& event) {
    if (!event.missingInterface.empty()) return "interfaccia " + event.missingInterface + " non trovata";
    if (event.heldBy == BootpServerOwner::CommissioningLine) return "la linea di messa in servizio sta servendo BootP";
    if (event.heldBy == BootpServerOwner::Service) return "il server BootP della pagina Configurazione indirizzo IP è avviato";
    return event.reason;
}

std::string bootpStatusText(const BootpEvent& event) {
    switch (event.status) {
    case BootpStatus::Initializing: return "Inizializzazione del BootP Server..";
    case BootpStatus::Waiting: return "In attesa di richeste BootP ....";
    case BootpStatus::Stopped: return "BootP interrotto ..";
    case BootpStatus::Received: return "Ricevuto..";
    case BootpStatus::InvalidRequest: return "Socket BootP non valido.. Annullo operazione..";
    case BootpStatus::Accepted: return "Socket BootP  Accettato..";
    case BootpStatus::ReplySent: return "Invio della replica BootP  all'indirizzo IP [ " + event.entryIp + " ]";
    case BootpStatus::ReplySendFailed:
        return "Errore nel Socket Error durante l'invio della replica BootP all'indirizzo [ " + event.entryIp + " ]";
    case BootpStatus::NotFound: return upperCase("Indirizzo H/W , " + FormatMac(event.mac) + " , non trovato ..");
    case BootpStatus::HostNameUnavailable: return "Impossibile individuare il nome dell'Host!";
    case BootpStatus::HostAddressUnavailable: return "Impossibile individuare l'indirizzo IP dell'Host!";
    case BootpStatus::PortUnavailable:
        return "Impossibile aprire la porta BootP " + std::to_string(event.port) + " (" +
               bootpStartFailureReason(event) + ") .. BootP non avviato ..";
    }
    return {};
}

}  // namespace tavo
