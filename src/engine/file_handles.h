// FreeImage handles over files. Reading goes through a window of our own, so that LibRaw's
// one-byte reads of compressed data and its seek before every row cost no system call.
// Writing goes through a large buffer and remembers any failed write: FreeImage's own file
// handle ignores them, and a full disk would be reported as a saved picture.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

class ReadHandle {
public:
    explicit ReadHandle(const std::string& path);
    ~ReadHandle();
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    static FreeImageIO io();

    size_t read(void* destination, size_t bytes);
    // One byte, or -1 at the end of the file. Decoders of camera files read most of them a
    // byte at a time, so a byte already in the window costs no call.
    int readByte() {
        if (position_ >= windowStart_ &&
            position_ - windowStart_ < static_cast<int64_t>(windowLength_))
            return window_[static_cast<size_t>(position_++ - windowStart_)];
        unsigned char byte = 0;
        return read(&byte, 1) == 1 ? byte : -1;
    }
    int seek(int64_t offset, int origin);
    int64_t tell() const { return position_; }
    int64_t size() const { return size_; }

private:
    bool fillWindow();

    int fd_ = -1;
    int64_t size_ = 0;
    int64_t position_ = 0;
    int64_t windowStart_ = 0;
    size_t windowLength_ = 0;
    std::vector<unsigned char> window_;
};

// Writes into an existing file, a temporary file made for the save: it never creates one,
// so a temporary file that a signal handler removed does not come back.
// Writes collect in a buffer while they continue one another; a seek elsewhere or a read
// writes the buffer out first. Every few megabytes the system is asked to start writing what
// it has to the disk, so that the flush before the file's rename waits for little. Seeking to where
// the next write would go anyway (libtiff seeks to the end before every strip) keeps the buffer.
class WriteHandle {
public:
    explicit WriteHandle(const std::string& path);
    ~WriteHandle();
    WriteHandle(const WriteHandle&) = delete;
    WriteHandle& operator=(const WriteHandle&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    static FreeImageIO io();
    // Every later write fails (ECANCELED) once stopped() is true: a save the user broke off
    // ends at its next write instead of after the whole picture.
    void stopWhen(std::function<bool()> stopped) { stopped_ = std::move(stopped); }
    // The errno of the first failed write (or of the open), 0 while none failed.
    int error() const { return error_; }

    size_t read(void* destination, size_t bytes);
    size_t write(const void* source, size_t bytes);
    int seek(int64_t offset, int origin);
    int64_t tell() const { return position_; }
    int64_t size() const { return size_; }
    // Writes out the buffer and closes; false when any write or the close failed.
    bool close();

private:
    bool writeAt(const unsigned char* bytes, size_t count, int64_t offset);
    bool flush();

    int fd_ = -1;
    bool failed_ = false;
    int error_ = 0;
    std::function<bool()> stopped_;
    int64_t size_ = 0;
    int64_t position_ = 0;
    int64_t pendingStart_ = 0;
    std::vector<unsigned char> pending_;
    int64_t writtenBack_ = 0; // the file up to here is on its way to the disk
};

} // namespace velmora
