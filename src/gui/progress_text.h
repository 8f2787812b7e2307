// The texts of the progress window: time remaining and a file name shortened to fit.
#pragma once

#include <QString>

#include <cstdint>

class QFontMetrics;

namespace velmora {

// The last file's duration times the files still to go, the current one included.
int64_t RemainingMilliseconds(int64_t lastDuration, int total, int currentIndex);
// HH:MM:SS with hours modulo 24, preceded by "Nd:" from one day on.
QString DurationText(int64_t milliseconds);
// (characters - 3) / 2 characters of each end with "..." between them.
QString ShortenInMiddle(const QString& text, int characters);
// The text as it is when it fits width, otherwise shortened in the middle to the most
// characters that fit.
QString FitInMiddle(const QString& text, const QFontMetrics& metrics, int width);

} // namespace velmora
