#include "platform/instance_lock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace velmora {
namespace {

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            saved_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(InstanceLockPathTest, RuntimeFolderFirstThenTempFolderWithUserId) {
    const std::string uid = std::to_string(getuid());
    struct Case {
        const char* runtime;
        const char* temp;
        std::string expected;
    } cases[] = {{"/run/user/7", "/scratch", "/run/user/7/Title 3.2.lock"},
                 {"/run/user/7/", nullptr, "/run/user/7/Title 3.2.lock"},
                 {nullptr, "/scratch", "/scratch/Title 3.2-" + uid + ".lock"},
                 {"", "/scratch/", "/scratch/Title 3.2-" + uid + ".lock"},
                 {nullptr, nullptr, "/tmp/Title 3.2-" + uid + ".lock"}};
    for (const Case& c : cases) {
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        ScopedEnv temp("TMPDIR", c.temp);
        EXPECT_EQ(InstanceLockPath("Title 3.2"), c.expected)
            << (c.runtime ? c.runtime : "(unset)") << " / " << (c.temp ? c.temp : "(unset)");
    }
}

TEST(InstanceLockTest, SecondHolderOfTheSameTitleIsRefused) {
    testing::TempFolder folder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
    // flock conflicts between open file descriptions, so one process can play both sides.
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Test 3.2"), LockResult::Acquired);
    EXPECT_TRUE(testing::FileExists(InstanceLockPath("Velmora Test 3.2")));
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Test 3.2"), LockResult::HeldByAnother);
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Other 3.2"), LockResult::Acquired);
}

TEST(InstanceLockTest, UnusableRuntimeFolderIsReported) {
    testing::TempFolder folder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", (folder / "missing").c_str());
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Test 3.2"), LockResult::Unavailable);
}

} // namespace
} // namespace velmora
