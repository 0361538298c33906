// The C runtime's <stdio.h>: the system's own, and beside it the Windows
// runtime's buffered stdio with its text mode: reading turns CR LF into LF, keeps
// a lone CR and ends the data at a Ctrl-Z byte; writing turns each LF into CR LF.
// Binary mode ("b") passes bytes unchanged. The Windows runtime's functions live
// in a namespace of their own, so the system's stay as they are for the process.
#pragma once

#include_next <stdio.h>

#include <cstddef>

// C++ linkage even where a C header includes this one inside extern "C".
extern "C++" {
namespace msvcrt {

struct FILE;  // opaque

// Modes "r", "w", "a", each with an optional "t" or "b" (text is the default).
// nullptr on failure with errno set; EINVAL for a mode this runtime lacks
// (such as "+").
FILE* fopen(const char* path, const char* mode);
int fgetc(FILE* stream);  // byte or EOF
char* fgets(char* buffer, int size, FILE* stream);
std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream);
// Items taken; fewer than `count` (0 when the write failed during the call).
std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* stream);
int fputc(int byte, FILE* stream);
int fputs(const char* text, FILE* stream);  // non-negative or EOF
int fflush(FILE* stream);                   // 0 or EOF; reading stream: 0; null (all streams): EOF, EINVAL
int fclose(FILE* stream);                   // flushes and closes; 0 or EOF; frees the stream
int ferror(FILE* stream);
int feof(FILE* stream);
void clearerr(FILE* stream);

}  // namespace msvcrt
}  // extern "C++"
