// The core tests link the library's code statically: start it as the DLL's
// entry point would, on the thread that runs the tests.
#include <gtest/gtest.h>

#include "parlet/internal.h"

namespace {

class LibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override { LibraryAttach(GetModuleHandleA(nullptr)); }
    void TearDown() override { LibraryDetach(); }
};

::testing::Environment *const g_library =
    ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

} // namespace
