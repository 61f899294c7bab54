// Small text operations: fields, case-insensitive search, name lists and
// numbers as the settings hold them. No windows, no files.
#ifndef SKOVALT_BASE_TEXT_H
#define SKOVALT_BASE_TEXT_H

#include <stddef.h>

// Copies one separator-ended field of source into dest (blanks trimmed);
// returns the position after the separator, or null for a null source.
const char *NextField(char *dest, size_t size, const char *source, char separator);

// Case-insensitive substring search; null when not found or text is null.
const char *FindNoCase(const char *text, const char *pattern);

// Cuts a comma-separated text in place into a name list (each name ended
// by a NUL, then an empty name). The buffer is size bytes; the last byte is
// always left NUL so the list is ended even when the text filled it.
void CutNameList(char *buffer, size_t size);

// Writes a name list back as "name,name," into out (at most size bytes,
// always NUL-terminated); only whole names are written.
void JoinNameList(const char *list, char *out, size_t size);

// A stored number: decimal digits, blanks around them allowed. True with
// *value set (saturated at LONG_MAX); false for a null or empty text, a
// sign, or anything else, and *value is then untouched.
bool ParseSettingNumber(const char *text, long *value);

#endif
