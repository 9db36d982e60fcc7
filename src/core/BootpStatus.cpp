#include "BootpStatus.h"

#include <cctype>

namespace tavo {
namespace {

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string bootpStatusText(BootpStatus status, const std::string& arg) {
    switch (status) {
    case BootpStatus::Initializing: return "Inizializzazione del BootP Server..";
    case BootpStatus::Waiting: return "In attesa di richeste BootP ....";
    case BootpStatus::Stopped: return "BootP interrotto ..";
    case BootpStatus::Received: return "Ricevuto..";
    case BootpStatus::InvalidRequest: return "Socket BootP non valido.. Annullo operazione..";
    case BootpStatus::Accepted: return "Socket BootP  Accettato..";
    case BootpStatus::ReplySent: return "Invio della replica BootP  all'indirizzo IP [ " + arg + " ]";
    case BootpStatus::ReplySendFailed:
        return "Errore nel Socket Error durante l'invio della replica BootP all'indirizzo [ " + arg + " ]";
    case BootpStatus::NotFound: return upperCase("Indirizzo H/W , " + arg + " , non trovato ..");
    case BootpStatus::HostNameUnavailable: return "Impossibile individuare il nome dell'Host!";
    case BootpStatus::HostAddressUnavailable: return "Impossibile individuare l'indirizzo IP dell'Host!";
    case BootpStatus::PortUnavailable:
        return "Impossibile aprire la porta BootP " + arg + " .. BootP non avviato ..";
    }
    return {};
}

}  // namespace tavo
