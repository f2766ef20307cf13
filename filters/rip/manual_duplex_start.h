// The work of the export StartManualDuplex, run by the print UI host in the
// user's session: starts the manual-duplex program the argument names (a file
// of the folder this library lies in) with "<system language> <list path>"
// and waits until it ends.
#pragma once

#include <string_view>

// folder: this library's folder with its trailing separator (empty when it
// is unknown). Returns whether the program ran. Nothing starts for a program
// name that is empty, holds a path separator or "..", or a path or command
// line longer than 259 characters; a list path with blanks is quoted, one
// with a double quote is refused (see platform/process.h for the splitting).
bool RunManualDuplexProgram(std::u16string_view argument, std::u16string_view folder);
