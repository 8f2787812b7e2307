#include "platform/instance_lock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

TEST(InstanceLockPlacesTest, RuntimeFolderFirstThenAPrivateFolderUnderTemp) {
    const std::string mine = "velmora-" + std::to_string(getuid()) + "/Title 3.2.lock";
    struct Case {
        const char* runtime;
        const char* temp;
        std::vector<std::string> expected;
    } cases[] = {{"/run/user/7", "/scratch", {"/run/user/7/Title 3.2.lock", "/scratch/" + mine}},
                 {"/run/user/7/", nullptr, {"/run/user/7/Title 3.2.lock", "/tmp/" + mine}},
                 {nullptr, "/scratch", {"/scratch/" + mine}},
                 {"", "/scratch/", {"/scratch/" + mine}},
                 {"relative", nullptr, {"/tmp/" + mine}}};
    for (const Case& c : cases) {
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        ScopedEnv temp("TMPDIR", c.temp);
        EXPECT_EQ(InstanceLockPlaces("Title 3.2"), c.expected)
            << (c.runtime ? c.runtime : "(unset)") << " / " << (c.temp ? c.temp : "(unset)");
    }
}

TEST(InstanceLockTest, SecondHolderOfTheSameTitleIsRefused) {
    testing::TempFolder folder;
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder.Path().c_str());
    // flock conflicts between open file descriptions, so one process can play both sides.
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Test 3.2"), LockResult::Acquired);
    EXPECT_TRUE(testing::FileExists(InstanceLockPlaces("Velmora Test 3.2").front()));
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Test 3.2"), LockResult::HeldByAnother);
    EXPECT_EQ(AcquireSingleInstanceLock("Velmora Other 3.2"), LockResult::Acquired);
}

// The private folder is refused when others could change it, and then no lock can be had.
TEST(InstanceLockTest, APrivateFolderOthersCouldChangeIsRefused) {
    for (std::string kind : {"link", "open to others"}) {
        testing::TempFolder folder;
        ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        ScopedEnv temp("TMPDIR", folder.Path().c_str());
        std::string mine = folder / ("velmora-" + std::to_string(getuid()));
        if (kind == "link")
            symlink(folder.Path().c_str(), mine.c_str());
        else
            mkdir(mine.c_str(), 0700), chmod(mine.c_str(), 0777);
        EXPECT_EQ(AcquireSingleInstanceLock("T 3.2"), LockResult::Unavailable) << kind;
    }
}

} // namespace
} // namespace velmora
