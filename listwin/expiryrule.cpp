// SPDX-License-Identifier: MIT
#include "listwin/expiryrule.h"

#include <ctime>

long DaysFromCivil(const CivilDate& date) {
    // Howard Hinnant's days_from_civil: eras of 400 years from March 1st.
    const long y = date.year - (date.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long m = date.month;
    const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + date.day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

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
