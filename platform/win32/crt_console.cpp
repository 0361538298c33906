#include <io.h>

#include <unistd.h>

int _fileno(std::FILE* stream) { return stream ? fileno(stream) : -1; }

int _isatty(int fd) { return fd >= 0 && isatty(fd) ? 1 : 0; }
