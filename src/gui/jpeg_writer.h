// JPEG files of the screenshot mode, written with libjpeg.
#pragma once

#include <QImage>

#include <string>

namespace velmora {

// The image as baseline JPEG bytes at quality 1 to 100; empty when encoding failed.
std::string EncodeJpeg(const QImage& image, int quality);
// Encodes and replaces path through a temporary file; false when nothing was written.
bool WriteJpegFile(const QImage& image, const std::string& path, int quality);

} // namespace velmora
