#include "engine/file_handles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace velmora {
namespace {

// Small enough that a header parser seeking about the file reads little it does not use,
// large enough that rows of picture data come a few dozen at a time.
constexpr size_t kReadWindowBytes = 64 * 1024;
constexpr size_t kWriteBufferBytes = 1024 * 1024;
constexpr int64_t kWriteBackBytes = 8 * 1024 * 1024;

// FreeImage counts in items of a size; the handles count bytes.
template <typename Handle, auto transfer>
unsigned TransferItems(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    if (size == 0 || count == 0)
        return 0;
    size_t bytes = static_cast<size_t>(size) * count;
    return static_cast<unsigned>((static_cast<Handle*>(handle)->*transfer)(buffer, bytes) / size);
}

unsigned RefuseWrite(void*, unsigned, unsigned, fi_handle) {
    return 0;
}

template <typename Handle> int SeekHandle(fi_handle handle, long offset, int origin) {
    return static_cast<Handle*>(handle)->seek(offset, origin);
}

template <typename Handle> long TellHandle(fi_handle handle) {
    return static_cast<long>(static_cast<Handle*>(handle)->tell());
}

// Moves position as a seek asks; -1, and position unchanged, when it asks for no valid one.
int SeekPosition(int64_t& position, int64_t offset, int origin, int64_t size) {
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)
        return -1;
    int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? position : size;
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        return -1;
    position = base + offset;
    return 0;
}

// Up to bytes from offset; fewer only at the end of the file or on an error.
size_t ReadAt(int fd, unsigned char* destination, size_t bytes, int64_t offset) {
    size_t done = 0;
    while (done < bytes) {
        ssize_t got =
            pread(fd, destination + done, bytes - done, offset + static_cast<int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

} // namespace

ReadHandle::ReadHandle(const std::string& path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd_ >= 0 && (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0) {
        size_ = status.st_size;
        window_.resize(kReadWindowBytes);
    }
}

ReadHandle::~ReadHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

FreeImageIO ReadHandle::io() {
    return FreeImageIO{TransferItems<ReadHandle, &ReadHandle::read>, RefuseWrite,
                       SeekHandle<ReadHandle>, TellHandle<ReadHandle>};
}

bool ReadHandle::fillWindow() {
    size_t got = ReadAt(fd_, window_.data(), window_.size(), position_);
    if (got == 0)
        return false;
    windowStart_ = position_;
    windowLength_ = got;
    return true;
}

size_t ReadHandle::read(void* destination, size_t bytes) {
    auto* out = static_cast<unsigned char*>(destination);
    size_t done = 0;
    while (done < bytes && position_ < size_) {
        if (position_ >= windowStart_ &&
            position_ < windowStart_ + static_cast<int64_t>(windowLength_)) {
            size_t offset = static_cast<size_t>(position_ - windowStart_);
            size_t count = std::min(bytes - done, windowLength_ - offset);
            std::memcpy(out + done, window_.data() + offset, count);
            done += count;
            position_ += static_cast<int64_t>(count);
        } else if (bytes - done >= window_.size()) {
            // Large reads go straight to the caller's memory.
            size_t got = ReadAt(fd_, out + done, bytes - done, position_);
            if (got == 0)
                break;
            done += got;
            position_ += static_cast<int64_t>(got);
        } else if (!fillWindow()) {
            break;
        }
    }
    return done;
}

int ReadHandle::seek(int64_t offset, int origin) {
    return SeekPosition(position_, offset, origin, size_);
}

WriteHandle::WriteHandle(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
    if (fd_ >= 0)
        pending_.reserve(kWriteBufferBytes);
    else
        error_ = errno;
}

WriteHandle::~WriteHandle() {
    close();
}

FreeImageIO WriteHandle::io() {
    // Some writers read back what they wrote.
    return FreeImageIO{TransferItems<WriteHandle, &WriteHandle::read>,
                       TransferItems<WriteHandle, &WriteHandle::write>, SeekHandle<WriteHandle>,
                       TellHandle<WriteHandle>};
}

bool WriteHandle::writeAt(const unsigned char* bytes, size_t count, int64_t offset) {
    if (stopped_ && stopped_()) {
        failed_ = true;
        error_ = error_ ? error_ : ECANCELED;
        return false;
    }
    size_t done = 0;
    while (done < count) {
        ssize_t put = pwrite(fd_, bytes + done, count - done, offset + static_cast<int64_t>(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            failed_ = true;
            error_ = error_ ? error_ : (put < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<size_t>(put);
    }
    // Started now, the write-back runs beside the rest of the save instead of after it.
    int64_t end = offset + static_cast<int64_t>(count);
    if (end - writtenBack_ >= kWriteBackBytes) {
        sync_file_range(fd_, writtenBack_, end - writtenBack_, SYNC_FILE_RANGE_WRITE);
        writtenBack_ = end;
    }
    return true;
}

bool WriteHandle::flush() {
    bool written = pending_.empty() || writeAt(pending_.data(), pending_.size(), pendingStart_);
    pending_.clear();
    return written && !failed_;
}

size_t WriteHandle::write(const void* source, size_t bytes) {
    if (failed_)
        return 0;
    bool continues = position_ == pendingStart_ + static_cast<int64_t>(pending_.size());
    if (!pending_.empty() && (!continues || pending_.size() + bytes > kWriteBufferBytes) &&
        !flush())
        return 0;
    if (pending_.empty())
        pendingStart_ = position_;
    const auto* in = static_cast<const unsigned char*>(source);
    if (bytes >= kWriteBufferBytes) {
        if (!writeAt(in, bytes, position_))
            return 0;
    } else {
        pending_.insert(pending_.end(), in, in + bytes);
    }
    position_ += static_cast<int64_t>(bytes);
    size_ = std::max(size_, position_);
    return bytes;
}

size_t WriteHandle::read(void* destination, size_t bytes) {
    if (!flush())
        return 0;
    size_t got = ReadAt(fd_, static_cast<unsigned char*>(destination), bytes, position_);
    position_ += static_cast<int64_t>(got);
    return got;
}

int WriteHandle::seek(int64_t offset, int origin) {
    return SeekPosition(position_, offset, origin, size_);
}

bool WriteHandle::close() {
    if (fd_ < 0)
        return false;
    flush();
    bool closed = ::close(fd_) == 0;
    if (!closed && !error_)
        error_ = errno;
    fd_ = -1;
    return closed && !failed_;
}

} // namespace velmora
