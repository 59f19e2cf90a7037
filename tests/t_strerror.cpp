// SPDX-License-Identifier: ISC
// Prints the C library's text for each error number given, a line each.
// Built exactly as t is, it tells the tests what t's messages say.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int
main(int argc, char *argv[])
{
	for (int i = 1; i < argc; i++)
		puts(strerror(atoi(argv[i])));
	return ferror(stdout) || fclose(stdout) == EOF;
}
