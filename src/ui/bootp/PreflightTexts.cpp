#include "PreflightTexts.h"

#include <QStringList>

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
