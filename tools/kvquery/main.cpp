// kvquery: the command-line query tool. See kvquery.h and PrintUsage.
#include <cstdio>

#include "kvquery.h"

int main(int argc, char** argv) { return kvquery::RunKvQuery(argc, argv, stdout, stderr); }
