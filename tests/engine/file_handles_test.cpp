#include "engine/file_handles.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace velmora {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::string PatternBytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    return bytes;
}

// Random reads and seeks of every size, against the same operations on the bytes in memory;
// sizes reach past the window so refills, straddling reads and direct reads all occur.
TEST(ReadHandleTest, AgreesWithTheFileUnderRandomReadsAndSeeks) {
    TempFolder folder;
    const std::string bytes = PatternBytes(300 * 1024 + 7);
    WriteFile(folder / "in.bin", bytes);
    ReadHandle handle(folder / "in.bin");
    ASSERT_TRUE(handle.isOpen());

    std::mt19937 random(7);
    int64_t position = 0;
    for (int step = 0; step < 2000; ++step) {
        switch (random() % 5) {
        case 0: {
            int64_t target = random() % (bytes.size() + 100);
            ASSERT_EQ(handle.seek(target, SEEK_SET), 0);
            position = target;
            break;
        }
        case 1: {
            int64_t back = -static_cast<int64_t>(random() % 200);
            ASSERT_EQ(handle.seek(back, SEEK_END), 0);
            position = static_cast<int64_t>(bytes.size()) + back;
            break;
        }
        case 2: {
            // Byte by byte, across the window's end as often as not.
            for (int i = random() % 70000; i > 0; --i, ++position) {
                int expected = position < static_cast<int64_t>(bytes.size())
                                   ? static_cast<unsigned char>(bytes[position])
                                   : -1;
                ASSERT_EQ(handle.readByte(), expected) << "at " << position;
                if (expected < 0)
                    break;
            }
            break;
        }
        default: {
            size_t want = random() % 3 == 0 ? 1 : random() % (160 * 1024);
            std::string got(want, '\0');
            size_t count = handle.read(got.data(), want);
            size_t expected = position >= static_cast<int64_t>(bytes.size())
                                  ? 0
                                  : std::min(want, bytes.size() - static_cast<size_t>(position));
            ASSERT_EQ(count, expected) << "at " << position << " reading " << want;
            ASSERT_EQ(got.substr(0, count), bytes.substr(position, count));
            position += static_cast<int64_t>(count);
        }
        }
        ASSERT_EQ(handle.tell(), position);
    }
}

TEST(ReadHandleTest, RefusesSeeksBeforeTheStartAndFilesThatAreNotThere) {
    TempFolder folder;
    WriteFile(folder / "in.bin", "abc");
    ReadHandle handle(folder / "in.bin");
    EXPECT_EQ(handle.seek(-1, SEEK_SET), -1);
    EXPECT_EQ(handle.seek(-4, SEEK_END), -1);
    EXPECT_EQ(handle.seek(0, 99), -1);
    EXPECT_EQ(handle.tell(), 0);
    EXPECT_FALSE(ReadHandle(folder / "missing.bin").isOpen());
    EXPECT_FALSE(ReadHandle(folder.Path()).isOpen());
}

// Writers patch headers after the data and seek to the end before appending; the file must
// hold what the same writes give in memory, whatever the buffer kept.
TEST(WriteHandleTest, AgreesWithTheSameWritesInMemory) {
    TempFolder folder;
    std::string model;
    WriteFile(folder / "out.bin", "earlier bytes are truncated");
    {
        WriteHandle handle(folder / "out.bin");
        ASSERT_TRUE(handle.isOpen());
        std::mt19937 random(11);
        int64_t position = 0;
        for (int step = 0; step < 800; ++step) {
            switch (random() % 5) {
            case 0: {
                int64_t target = model.empty() ? 0 : random() % model.size();
                ASSERT_EQ(handle.seek(target, SEEK_SET), 0);
                position = target;
                break;
            }
            case 1:
                ASSERT_EQ(handle.seek(0, SEEK_END), 0);
                position = static_cast<int64_t>(model.size());
                break;
            case 2: {
                std::string back(random() % 64, '\0');
                size_t count = handle.read(back.data(), back.size());
                size_t expected =
                    std::min(back.size(), model.size() - static_cast<size_t>(position));
                ASSERT_EQ(count, expected);
                ASSERT_EQ(back.substr(0, count), model.substr(position, count));
                position += static_cast<int64_t>(count);
                break;
            }
            default: {
                size_t size = random() % 20 == 0 ? 1100 * 1024 : random() % 40000;
                std::string chunk = PatternBytes(size + step).substr(step);
                ASSERT_EQ(handle.write(chunk.data(), chunk.size()), chunk.size());
                if (model.size() < position + chunk.size())
                    model.resize(position + chunk.size(), '\0');
                model.replace(position, chunk.size(), chunk);
                position += static_cast<int64_t>(chunk.size());
            }
            }
            ASSERT_EQ(handle.tell(), position);
        }
        ASSERT_TRUE(handle.close());
    }
    EXPECT_TRUE(ReadFile(folder / "out.bin") == model);
}

TEST(WriteHandleTest, AFullDiskFailsTheClose) {
    WriteHandle handle("/dev/full");
    if (!handle.isOpen())
        GTEST_SKIP() << "no /dev/full";
    std::string chunk(1000, 'x');
    EXPECT_EQ(handle.write(chunk.data(), chunk.size()), chunk.size());
    EXPECT_FALSE(handle.close());
}

} // namespace
} // namespace velmora
