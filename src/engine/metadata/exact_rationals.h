// Rational values written exactly. libtiff takes every RATIONAL and SRATIONAL of the EXIF and
// GPS directories as a float or a double and stores the fraction it finds for it, so 1/1600
// comes back as 2153076/3444921677 and an unknown 0/0 as 0/1. Once libtiff has written its
// directories, the values' eight bytes are rewritten in place with the numerator and
// denominator the source held; the picture's strips are never read.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// One element: numerator and denominator as the file's two 32-bit words (a signed value's
// words hold its two's complement).
using RationalWords = std::pair<uint32_t, uint32_t>;

struct ExactRational {
    uint16_t tag = 0;
    bool isSigned = false;
    std::vector<RationalWords> elements;
};

// The values of the first directory, of the EXIF directory and of the GPS directory.
struct ExactRationals {
    std::vector<ExactRational> image, exif, gps;
};

// Rewrites every value of exact whose tag the file's directory holds as a RATIONAL or
// SRATIONAL with as many elements; a value that has no such entry is left as libtiff wrote
// it, and so is an unsigned entry for a negative value. False when the file is not a TIFF
// whose directories can be read and written.
bool WriteRationalsExactly(const std::string& path, const ExactRationals& exact);

// The shortest fraction that is exactly the decimal of value with the given significant
// digits (0: the shortest decimal that reads back as the same float): 0.004 is 1/250, 5.6 is
// 28/5. Denominators stay powers of ten divided down, so the fraction is the decimal a
// person reads. A value too large or too small for 32-bit words gives no words.
bool DecimalFraction(double value, int significantDigits, int64_t& numerator, int64_t& denominator);

} // namespace velmora
