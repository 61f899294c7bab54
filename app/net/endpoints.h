// The web addresses the program uses. The defaults are the release's: a
// release owner edits them here. Each may be overridden by a text value of
// the settings key ("MasterListURL", "VersionURL", "SetupURL",
// "HomepageURL"), so that a user whose master list has moved, or a test,
// points the program elsewhere; a missing, empty or blank value means the
// default. "MasterListURL" may name several sources separated by blanks,
// each "http://..." or "udp://host[:port]" (a Quake 2 UDP master, port
// 27900 unless given); the reload reads them all.
#ifndef SKOVALT_NET_ENDPOINTS_H
#define SKOVALT_NET_ENDPOINTS_H

#include <stddef.h>

// The community master list: plain text, one "ip:port" per line.
#define DEFAULT_MASTER_LIST_URL "http://q2servers.com/?raw=1"
// The release owner's web site: the version file (its text begins with the
// newest version, "4.7.2"), the installer of that version, the home page.
#define DEFAULT_VERSION_URL "http://www.holmdrey.com/skovalt/version.txt"
#define DEFAULT_SETUP_URL "http://www.holmdrey.com/skovalt/skovalt-setup.exe"
#define DEFAULT_HOMEPAGE_URL "http://www.holmdrey.com/skovalt/"

enum Endpoint {
    EndpointMasterList,
    EndpointVersion,
    EndpointSetup,
    EndpointHomepage,
};

// The URL of an endpoint into buffer (size bytes): the settings value when
// one is stored, else the default.
void EndpointUrl(Endpoint endpoint, char *buffer, size_t size);

#endif
