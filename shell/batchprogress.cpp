// SPDX-License-Identifier: MIT
#include "shell/batchprogress.h"

#include <algorithm>
#include <cmath>

QString DurationText(long long seconds) {
    seconds = std::max(seconds, 0LL);
    if (seconds < 60) {
        return QStringLiteral("%1 秒").arg(seconds);
    }
    if (seconds < 3600) {
        return QStringLiteral("%1 分 %2 秒")
            .arg(seconds / 60)
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1 小时 %2 分")
        .arg(seconds / 3600)
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'));
}

QString BatchProgressText(int done, int total, int finished, double seconds, bool timeLeft) {
    QString text = QStringLiteral("%1 / %2").arg(done).arg(total);
    if (finished <= 0 || seconds <= 0.0) {
        return text;
    }
    const double rate = finished / seconds;
    text += QStringLiteral("，%1 个/秒").arg(rate, 0, 'f', rate < 10.0 ? 1 : 0);
    const int left = std::max(total - done, 0);
    if (left > 0 && timeLeft) {
        text += QStringLiteral("，剩余 ") +
                DurationText(static_cast<long long>(std::ceil(left / rate)));
    }
    return text;
}
