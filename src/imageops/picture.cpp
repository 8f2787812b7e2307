#include "imageops/picture.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace velmora {
namespace {

// At most a picture or two at a time show pixels they do not own.
struct LentPixels {
    std::mutex mutex;
    std::vector<std::pair<FIBITMAP*, std::shared_ptr<void>>> owners;
    std::atomic<size_t> count{0};
};

LentPixels& Lent() {
    static LentPixels lent;
    return lent;
}

} // namespace

void UnloadBitmap::operator()(FIBITMAP* bitmap) const {
    if (!bitmap)
        return;
    FreeImage_Unload(bitmap);
    LentPixels& lent = Lent();
    if (lent.count.load(std::memory_order_acquire) == 0)
        return;
    std::shared_ptr<void> owner;
    {
        std::lock_guard lock(lent.mutex);
        auto entry = std::find_if(lent.owners.begin(), lent.owners.end(),
                                  [&](const auto& known) { return known.first == bitmap; });
        if (entry == lent.owners.end())
            return;
        owner = std::move(entry->second);
        lent.owners.erase(entry);
        lent.count.store(lent.owners.size(), std::memory_order_release);
    }
}

Picture PictureOverPixels(FIBITMAP* bitmap, std::shared_ptr<void> owner) {
    if (!bitmap)
        return nullptr;
    LentPixels& lent = Lent();
    std::lock_guard lock(lent.mutex);
    lent.owners.emplace_back(bitmap, std::move(owner));
    lent.count.store(lent.owners.size(), std::memory_order_release);
    return Picture(bitmap);
}

} // namespace velmora
