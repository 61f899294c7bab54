// Version numbers: the program's own, from its version resource, and the
// one a version file publishes. Versions are packed as major << 24 |
// minor << 16 | release << 8 and compared as unsigned numbers.
#ifndef SKOVALT_NET_VERSION_H
#define SKOVALT_NET_VERSION_H

#include <stddef.h>
#include <stdint.h>

// A version that could not be had.
const uint32_t kNoVersion = 0xFFFFFFFFu;

uint32_t PackVersion(unsigned major, unsigned minor, unsigned release);
unsigned VersionMajor(uint32_t packed);
unsigned VersionMinor(uint32_t packed);
unsigned VersionRelease(uint32_t packed);

// The version a version file's text begins with: "major.minor[.release]",
// each number read like atoi (leading digits, 0 when none); text after it
// is ignored. kNoVersion when the text holds no '.'.
uint32_t ParseVersionText(const char *text);

// The product version of the running program's version resource (the
// fourth part is not used); 0 when it has none.
uint32_t GetOwnVersion();

#endif
