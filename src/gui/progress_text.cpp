#include "gui/progress_text.h"

#include <QFontMetrics>

namespace velmora {

int64_t RemainingMilliseconds(int64_t lastDuration, int total, int currentIndex) {
    return lastDuration * (total - currentIndex + 1);
}

QString DurationText(int64_t milliseconds) {
    int64_t seconds = milliseconds / 1000;
    int64_t days = seconds / 86400;
    QString clock =
        QString::asprintf("%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                          static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return days > 0 ? QString::number(days) + "d:" + clock : clock;
}

QString ShortenInMiddle(const QString& text, int characters) {
    int keep = characters > 3 ? (characters - 3) / 2 : 0;
    return text.left(keep) + "..." + text.right(keep);
}

QString FitInMiddle(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    for (int characters = static_cast<int>(text.size()) - 1; characters > 3; --characters) {
        QString shortened = ShortenInMiddle(text, characters);
        if (metrics.horizontalAdvance(shortened) <= width)
            return shortened;
    }
    return ShortenInMiddle(text, 3);
}

} // namespace velmora
