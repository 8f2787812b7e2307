// What writing the rationals exactly costs one written TIFF: the time to read its three
// directories and rewrite every rational in them with its own fraction (as the metadata
// writer does after libtiff's save), and the memory it takes, which must not grow with the
// picture. Usage: rational-patch-cost FILE.tiff [runs]; prints "microseconds values kilobytes".
#include "engine/metadata/exact_rationals.h"

#include <exiv2/exiv2.hpp>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

velmora::ExactRationals RationalsOf(const char* path) {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    velmora::ExactRationals exact;
    for (const auto& datum : image->exifData()) {
        const auto* words = dynamic_cast<const Exiv2::URationalValue*>(&datum.value());
        const auto* signedWords = dynamic_cast<const Exiv2::RationalValue*>(&datum.value());
        if (!words && !signedWords)
            continue;
        velmora::ExactRational value{datum.tag(), signedWords != nullptr, {}};
        for (long i = 0; i < datum.count(); ++i)
            value.elements.emplace_back(words ? words->value_[i].first
                                              : static_cast<uint32_t>(signedWords->value_[i].first),
                                        words
                                            ? words->value_[i].second
                                            : static_cast<uint32_t>(signedWords->value_[i].second));
        const std::string group = datum.groupName();
        (group == "Photo"     ? exact.exif
         : group == "GPSInfo" ? exact.gps
                              : exact.image)
            .push_back(value);
    }
    return exact;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.tiff [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 101;
    velmora::ExactRationals exact = RationalsOf(argv[1]);
    size_t values = exact.image.size() + exact.exif.size() + exact.gps.size();
    long before = PeakKilobytes();
    std::vector<double> micros;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (!velmora::WriteRationalsExactly(argv[1], exact))
            return 1;
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::nth_element(micros.begin(), micros.begin() + runs / 2, micros.end());
    std::printf("%.1f %zu %ld\n", micros[runs / 2], values, PeakKilobytes() - before);
    return 0;
}
