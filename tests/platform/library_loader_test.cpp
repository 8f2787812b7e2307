#include "platform/files.h"
#include "platform/library_loader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace velmora {
namespace {

using Form = VersionCheck::Form;

LibraryDescription TestLibrary(std::vector<VersionCheck> versions) {
    LibraryDescription description;
    description.name = "libvelmora-loader-test.so";
    description.path = ExecutableFolder() + description.name;
    description.flags = RTLD_NOW | RTLD_LOCAL;
    description.versions = std::move(versions);
    return description;
}

int CallAbi(LibraryLoader& loader) {
    auto abi = reinterpret_cast<int (*)()>(loader.Symbol("LoaderTestAbi"));
    return abi ? abi() : -1;
}

TEST(LibraryLoaderTest, OpensTheExpectedVersion) {
    LibraryLoader loader(TestLibrary({{"test", "LoaderTestAbi", Form::AbiNumber, 1, 0},
                                      {"test", "LoaderTestVersion", Form::VersionText, 3, 16}}));
    EXPECT_TRUE(loader.Open());
    EXPECT_EQ(CallAbi(loader), 1);
    EXPECT_EQ(loader.Symbol("NoSuchSymbol"), nullptr);
}

TEST(LibraryLoaderTest, RefusesAnotherVersionInOneLine) {
    LibraryLoader abi(
        TestLibrary({{"libvelmora-loader-test.so", "LoaderTestAbi", Form::AbiNumber, 2, 0}}));
    EXPECT_FALSE(abi.Open());
    EXPECT_EQ(abi.Problem(), LibraryProblem::WrongVersion);
    EXPECT_EQ(abi.ProblemLine(), "libvelmora-loader-test.so is version 1; this program needs 2");
    EXPECT_EQ(abi.Symbol("LoaderTestAbi"), nullptr);

    LibraryLoader text(TestLibrary({{"libtest", "LoaderTestVersion", Form::VersionText, 3, 18}}));
    EXPECT_FALSE(text.Open());
    EXPECT_EQ(text.ProblemLine(), "libtest is version 3.17; this program needs 3.18");

    LibraryLoader silent(TestLibrary({{"libtest", "NoSuchSymbol", Form::AbiNumber, 1, 0}}));
    EXPECT_FALSE(silent.Open());
    EXPECT_EQ(silent.ProblemLine(), "libtest is version unknown; this program needs 1");
}

TEST(LibraryLoaderTest, AMissingLibraryIsReportedOnce) {
    LibraryDescription description = TestLibrary({});
    description.path = ExecutableFolder() + "libvelmora-not-built.so";
    int reports = 0;
    description.whenUnusable = [&](LibraryLoader&) { ++reports; };
    LibraryLoader loader(std::move(description));
    EXPECT_FALSE(loader.Open());
    EXPECT_EQ(loader.Symbol("LoaderTestAbi"), nullptr);
    EXPECT_EQ(loader.Problem(), LibraryProblem::Missing);
    EXPECT_NE(loader.ProblemLine().find("libvelmora-not-built.so"), std::string::npos);
    EXPECT_EQ(reports, 1);
}

// The hook calls into the library through the loader that is still opening it, as the
// silencing of FreeImage does; it must find it open rather than wait for itself.
TEST(LibraryLoaderTest, TheAfterOpenHookMayUseTheLoader) {
    LibraryDescription description = TestLibrary({});
    int hookRuns = 0;
    int abiInHook = 0;
    description.afterOpen = [&](LibraryLoader& self) {
        ++hookRuns;
        abiInHook = self.Open() ? CallAbi(self) : -1;
    };
    LibraryLoader loader(std::move(description));
    EXPECT_TRUE(loader.Open());
    EXPECT_EQ(abiInHook, 1);
    EXPECT_EQ(CallAbi(loader), 1);
    EXPECT_EQ(hookRuns, 1);
}

TEST(LibraryLoaderTest, OpensTheLoadersItDependsOnFirst) {
    std::vector<std::string> opened;
    LibraryDescription dependency = TestLibrary({});
    dependency.name = "libvelmora-loader-dependency";
    dependency.afterOpen = [&](LibraryLoader&) { opened.push_back("dependency"); };
    LibraryLoader first(std::move(dependency));
    LibraryDescription description = TestLibrary({});
    description.opensFirst = {"libvelmora-loader-dependency", "libvelmora-without-loader"};
    description.afterOpen = [&](LibraryLoader&) { opened.push_back("library"); };
    LibraryLoader loader(std::move(description));
    EXPECT_TRUE(loader.Open());
    EXPECT_EQ(opened, (std::vector<std::string>{"dependency", "library"}));
}

} // namespace
} // namespace velmora
