// The socket layer for the test programs that use the network: started
// before their first test and stopped after their last, as the DLL does on
// load and unload. Linked into those programs (kv/tests/CMakeLists.txt).
#include "kv/platform.h"

#include <gtest/gtest.h>

namespace {

struct NetEnvironment : testing::Environment {
    void SetUp() override { ASSERT_TRUE(PlatformNetStartup()); }
    void TearDown() override { PlatformNetCleanup(); }
};
const testing::Environment *const kNet = testing::AddGlobalTestEnvironment(new NetEnvironment);

}  // namespace
