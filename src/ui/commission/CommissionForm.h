#pragma once

#include <QString>
#include <optional>

#include "AddressText.h"
#include "CommissionEngine.h"
#include "common/AppContext.h"

namespace tavo {

// What the operator filled in on the commissioning line's window, and the checks before
// a start: the project file is read (refused when missing, too large, unreadable or
// empty), the registers file is read and parsed (a problem names its line), the pool is
// both addresses or neither, and a report file is named. The first problem refuses the
// start with its message; nothing is started, nothing is written.
struct CommissionForm {
    QString image;
    std::optional<Ipv4Octets> poolFirst;  // nothing: the field is blank
    std::optional<Ipv4Octets> poolLast;
    QString registers;  // empty: no registers are written
    QString report;
    bool verify = true;
    bool changedOnly = false;
    bool resume = false;

    struct Check {
        std::optional<CommissionRequest> request;  // ready for the engine
        QString message;                           // why not (caption: error)
    };
    // The request from the form and the context's link, data folder, pace and prompts.
    Check check(const AppContext& context) const;
};

}  // namespace tavo
