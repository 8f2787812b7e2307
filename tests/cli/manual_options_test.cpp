// The user manual names every option of the option table, profile keys included, as it
// writes an option: in code, followed by "=", the closing backquote or a space.
#include "cli/option_table.h"
#include "platform/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

TEST(ManualOptionsTest, ManualNamesEveryOptionAndProfileKey) {
    const std::string manual = testing::ReadFile(VELMORA_MANUAL);
    ASSERT_FALSE(manual.empty()) << VELMORA_MANUAL;
    ASSERT_FALSE(OptionTable().empty());
    std::set<std::string> names;
    for (const OptionRow& row : OptionTable()) {
        names.insert(ToLower(row.longName));
        if (!row.profileKey.empty())
            names.insert(ToLower(row.profileKey));
    }
    for (const std::string& name : names) {
        bool named = false;
        for (char after : {'=', '`', ' '})
            named = named || manual.find('`' + name + after) != std::string::npos;
        EXPECT_TRUE(named) << "not in the manual: " << name;
    }
}

} // namespace
} // namespace velmora
