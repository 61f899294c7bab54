// Dial-up at start-up through wininet.dll, loaded at run time.
#ifndef SKOVALT_NET_DIALUP_H
#define SKOVALT_NET_DIALUP_H

// The result of InternetAutodial (non-zero when connected), or 0 when
// wininet.dll or the function cannot be found.
int DialUp();

// The same with another library and function name (tests: a library that
// is missing, or that has no such function).
int DialUpThrough(const char *library, const char *function);

#endif
