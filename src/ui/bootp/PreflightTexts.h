#pragma once

#include <QString>

#include "PreflightFinding.h"

// The IP page's words for what the BootP preflight found.
namespace tavo::preflighttexts {

inline const QString kCaption = QStringLiteral("Errore");

// Why "Avvio BootP" failed, for a finding that blocks the server; empty for any other.
QString startFailureCause(const PreflightFinding& finding);

}  // namespace tavo::preflighttexts
