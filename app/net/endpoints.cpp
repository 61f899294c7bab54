// The web addresses, with their overrides from the settings.
#include "net/endpoints.h"

#include <stdio.h>
#include <string.h>

#include "settings/settings.h"

void EndpointUrl(Endpoint endpoint, char *buffer, size_t size)
{
    static const struct {
        const char *setting;
        const char *defaultUrl;
    } endpoints[] = {
        {"MasterListURL", DEFAULT_MASTER_LIST_URL},
        {"VersionURL", DEFAULT_VERSION_URL},
        {"SetupURL", DEFAULT_SETUP_URL},
        {"HomepageURL", DEFAULT_HOMEPAGE_URL},
    };
    if (!buffer || size == 0)
        return;
    const auto &e = endpoints[endpoint];
    if (ReadSetting(e.setting, buffer, size) != 0 || buffer[strspn(buffer, " \t")] == '\0')
        snprintf(buffer, size, "%s", e.defaultUrl);
}
