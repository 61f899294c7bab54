// Versions and the web: the program's own version from its resource, the
// version file's text, and (against a loopback HTTP server) downloads, the
// version check and the master list.
#include "window_support.h"

#include "net/version.h"
#include "skovalt_version.h"

namespace {

TEST(Version, OwnVersionIsTheResourcesAndTheProjects)
{
    uint32_t own = GetOwnVersion();
    EXPECT_EQ(own, PackVersion(SKOVALT_VERSION_MAJOR, SKOVALT_VERSION_MINOR, SKOVALT_VERSION_RELEASE));
    EXPECT_EQ(own, PackVersion(4, 7, 2));
    EXPECT_EQ(own, 4u << 24 | 7u << 16 | 2u << 8);
}

TEST(Version, VersionFileTexts)
{
    uint32_t own = PackVersion(4, 7, 2);
    EXPECT_GT(ParseVersionText("4.8"), own);
    EXPECT_EQ(ParseVersionText("4.7.2\r\nSkovalt"), own);
    EXPECT_GT(ParseVersionText("4.7.10"), own);
    EXPECT_EQ(ParseVersionText("4.7.10"), PackVersion(4, 7, 10));
    EXPECT_EQ(ParseVersionText("5"), kNoVersion);
    EXPECT_EQ(ParseVersionText("<html>"), kNoVersion);
    EXPECT_EQ(ParseVersionText("x.y"), 0u);  // read like atoi: no digits, 0
    EXPECT_EQ(ParseVersionText("4.999.1"), PackVersion(4, 255, 1));  // a part saturates
    EXPECT_EQ(ParseVersionText(nullptr), kNoVersion);
}

}  // namespace
