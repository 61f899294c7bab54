// The settings store: values of the registry key
// HKEY_CURRENT_USER\Software\Holmdrey\Skovalt\1.0. Every call opens the key
// and closes it again, so the calls keep no state and work from any thread.
// Value names are case-insensitive (the registry's rule).
#ifndef SKOVALT_SETTINGS_SETTINGS_H
#define SKOVALT_SETTINGS_SETTINGS_H

#include <stddef.h>

#define SETTINGS_KEY "Software\\Holmdrey\\Skovalt\\1.0"

// Default values written back at start-up when missing or empty.
#define DEFAULT_SERVER_TEMPLATE "%s%t%y%t%n/%x%t%l%t%g%t"
#define DEFAULT_SERVER_WIDTHS "100\t25\t25\t50\t30\t"
#define DEFAULT_PLAYER_TEMPLATE "%p%t%r/%n%t%i%t%s%t%l%t"
#define DEFAULT_PLAYER_WIDTHS "100\t100\t100\t100\t100\t"
#define DEFAULT_FIXUP_NAMES "Brakkon,Tessaly,Ovrim,"
// A missing "Timeout" means this many seconds; 0 would make every server
// time out at once on a first start.
#define DEFAULT_TIMEOUT 3

// Reads a value into buffer (size bytes, zero-filled first). Returns 0 when
// read; non-zero when the buffer is null, the key or value is missing, or
// the value (with its NUL) does not fit; the buffer then holds "".
int ReadSetting(const char *name, char *buffer, size_t size);

// Reads a binary value of exactly size bytes (a font record). Returns 0,
// or 1 when missing or of another size; the data is then all zero.
int ReadSettingBytes(const char *name, void *data, size_t size);

// Writes text as REG_SZ, creating the key when needed. Returns 0, or 1 on
// failure (also for a null text).
int WriteSetting(const char *name, const char *text);

// Writes size bytes as REG_BINARY. Returns 0 or 1.
int WriteSettingBytes(const char *name, const void *data, size_t size);

// True only when the value is exactly "Y".
bool ReadFlag(const char *name);

// Writes "Y" or "N".
void WriteFlag(const char *name, bool on);

// Tests only: makes every call use another subkey of HKEY_CURRENT_USER
// (null restores the real one). DeleteSettingsKey removes the current
// subkey with all its values.
void SetSettingsKeyForTests(const char *subkey);
void DeleteSettingsKey();

#endif
