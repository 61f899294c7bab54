// The Layout page of the preferences sheet: the columns of both lists
// composed from a table of fields, their fonts, grid lines, the background
// image and the grayout of unusable servers with its ping threshold.
#ifndef SKOVALT_UI_LAYOUTPAGE_H
#define SKOVALT_UI_LAYOUTPAGE_H

#include <windows.h>
#include <prsht.h>
#include <stddef.h>
#include <stdint.h>

// Fills the sheet's page record for the Layout page (dialog 131, tab icon 143).
void InitLayoutPage(PROPSHEETPAGEA *page);

// The template a Selected list's codes make, each followed by "%t", into
// out (size bytes). A code that would not fit in out is left out with
// every code after it: a template is cut only between columns.
void JoinTemplateParts(const char *const *codes, size_t count, char *out, size_t size);

// The ping threshold a typed text means: its number, at most 65535. False
// for a text that is no number (empty, letters, a sign): the threshold in
// use then stays.
bool ThresholdFromText(const char *text, uint16_t *threshold);

#endif
