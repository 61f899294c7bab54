// The settings store: values of the registry key
// HKEY_CURRENT_USER\Software\Holmdrey\Skovalt\1.0. Every call opens the key
// and closes it again, so the calls keep no state and work from any thread.
// Value names are case-insensitive (the registry's rule).
#ifndef SKOVALT_SETTINGS_SETTINGS_H
#define SKOVALT_SETTINGS_SETTINGS_H

#include <stddef.h>

#define SETTINGS_KEY "Software\\Holmdrey\\Skovalt\\1.0"

// What a value holds.
enum SettingKind {
    SettingText,    // REG_SZ text
    SettingNumber,  // REG_SZ decimal number
    SettingFlag,    // REG_SZ "Y" or "N"
    SettingBytes,   // REG_BINARY record (a LOGFONTA)
};

// One value of the key: its name, what it holds and the default a missing
// value means (for numbers, a decimal text; null: no default, the reader
// decides, as for "Pos" and "Split").
struct SettingDef {
    const char *name;
    SettingKind kind;
    const char *defaultValue;
};

// Every value the program reads or writes, in one table; null for a name
// that is not in it.
const SettingDef *FindSetting(const char *name);

// The default text of a value ("" when it has none).
const char *SettingDefault(const char *name);

// Reads a number value. A missing value, or one that is not a plain
// decimal number (a sign, letters, "abc", "-3"), gives the table's default;
// "0" is 0. Large numbers saturate at LONG_MAX.
long ReadNumberSetting(const char *name);

// The query time-out in whole seconds, from "Timeout": its number kept to
// kMinTimeout .. kMaxTimeout (0 would time every server out at once, a
// huge one would hold a stopped refresh for as long); a missing or
// unreadable value is the default, 3. The one place that reads it.
const long kMinTimeout = 1;
const long kMaxTimeout = 60;
long ReadTimeoutSetting();

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
