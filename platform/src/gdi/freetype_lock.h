// The process's one FreeType library. FreeType objects are not safe to use from
// two threads at once, and filters measure text on their own threads: every
// FreeType call is made under this lock.
#pragma once

#include <mutex>

#include <ft2build.h>
#include FT_FREETYPE_H

std::mutex& FreeTypeMutex();
// Created on first use; call with the lock held.
FT_Library FreeTypeLibrary();
