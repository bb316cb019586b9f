// A library opened when first used: its functions are called as declared,
// and a missing library or function is an error that says which.
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/OnDemandLibrary.h"
#include "common/OrvaneError.h"

namespace orvane {
namespace {

struct C {
    OnDemandLibrary library{"libc.so.6", "the C library"};
    ORVANE_LIBRARY_FUNCTION(library, getpid);
};

TEST(OnDemandLibrary, CallsTheLibrarysFunctionAsDeclared) {
    const C c;
    EXPECT_EQ(c.getpid(), ::getpid());
}

TEST(OnDemandLibrary, AMissingLibraryOrFunctionIsAnErrorNamingIt) {
    try {
        OnDemandLibrary missing("liborvane-no-such-library.so.9", "the test's missing library");
        FAIL() << "opened a library that does not exist";
    } catch (const OrvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("the test's missing library cannot be loaded"), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("liborvane-no-such-library.so.9"), std::string::npos) << e.what();
    }
    OnDemandLibrary c("libc.so.6", "the C library");
    try {
        c.resolve<void()>("orvane_no_such_function");
        FAIL() << "resolved a function that does not exist";
    } catch (const OrvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("has no function orvane_no_such_function"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace orvane
