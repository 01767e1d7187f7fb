// Fits a file name into a failure text that the finishing step shows with
// "Installation process is terminated." appended. Portable: used by the
// decoder's texts and by the file installation's.
#pragma once
#include <cstddef>

// Copies name into out (capacity bytes), shortened so that format (one
// "%s") with it and the appended sentence stay within 255 characters: a name
// too long keeps its start and its end (the file's own name) around "...".
void ShortenMessageName(const char* format, const char* name, char* out, size_t capacity);
