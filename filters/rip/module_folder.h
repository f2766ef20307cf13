// The folder of the library this code is linked into, where the driver
// package keeps the files the rip filter names (encoder, manual-duplex program).
#pragma once

#include <string>

// With its trailing separator (up to the last '/', '\' or ':'); empty when
// the library's file name cannot be had or is longer than 259 characters.
std::u16string ThisModuleFolder();
