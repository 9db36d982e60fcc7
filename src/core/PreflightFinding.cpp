#include "PreflightFinding.h"

#include <algorithm>

namespace tavo {

const char* preflightCheckName(PreflightCause cause) {
    switch (cause) {
    case PreflightCause::PortFree:
    case PreflightCause::PortHeld:
    case PreflightCause::PortNoPermission:
    case PreflightCause::PortError: return "port";
    case PreflightCause::InterfaceState:
    case PreflightCause::ChosenInterfaceMissing:
    case PreflightCause::ChosenInterfaceDown:
    case PreflightCause::ChosenInterfaceNoLink:
    case PreflightCause::ChosenInterfaceNoAddress:
    case PreflightCause::ChosenInterfaceCannotBroadcast:
    case PreflightCause::NoBroadcastInterface: return "interface";
    case PreflightCause::SharedSubnet: return "subnet";
    case PreflightCause::LinkLocalOnly: return "link_local";
    case PreflightCause::RouteOnLink:
    case PreflightCause::RouteViaGateway:
    case PreflightCause::RouteNone:
    case PreflightCause::RouteOtherInterface: return "route";
    case PreflightCause::ListenUnavailable:
    case PreflightCause::NothingHeard: return "listen";
    case PreflightCause::RequestHeard: return "request";
    case PreflightCause::RivalServer: return "rival_server";
    }
    return "";
}

const char* preflightStatusName(PreflightStatus status) {
    switch (status) {
    case PreflightStatus::Ok: return "ok";
    case PreflightStatus::Info: return "info";
    case PreflightStatus::Warning: return "warning";
    case PreflightStatus::Blocked: return "blocked";
    }
    return "";
}

bool preflightCanServe(const std::vector<PreflightFinding>& findings) {
    return std::none_of(findings.begin(), findings.end(),
                        [](const PreflightFinding& f) { return f.status == PreflightStatus::Blocked; });
}

}  // namespace tavo
