// SPDX-License-Identifier: MIT
#include "listwin/expiryrule.h"

ExpiryBand ExpiryBandOf(long daysLeft, int redDays) {
    const long days = redDays > 0 ? redDays : 0;
    if (daysLeft < 0) {
        return ExpiryBand::Expired;
    }
    if (daysLeft <= days) {
        return ExpiryBand::Soon;
    }
    if (daysLeft <= 2 * days) {
        return ExpiryBand::Near;
    }
    return ExpiryBand::Later;
}
