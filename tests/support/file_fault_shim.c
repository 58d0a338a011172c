/* Preloaded into a tomiva process by the command-line tests (LD_PRELOAD), to
 * bring about what only a failing disk or another program could: each fault
 * is switched on by its environment variable.
 *
 *   TOMIVA_SHIM_FAIL_READS_OF=FILE  once a temporary export file (*.xml.tmp)
 *       is opened, every read of FILE (the firm) fails with EIO: the firm
 *       fails while the run reads it, after it passed its checks.
 *   TOMIVA_SHIM_ALTER_AT_RENAME=1   a temporary export file renamed into
 *       place has the first digit of its first <KWOTA> changed on the way:
 *       a whole XML file that no longer agrees with the firm.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static int g_armed;       /* a temporary export file was opened */
static int g_firmFds[64]; /* descriptors open on the firm, 1 where so */

static int EndsWith(const char* text, const char* end)
{
    const size_t n = strlen(text), m = strlen(end);
    return n >= m && strcmp(text + n - m, end) == 0;
}

static void Opened(const char* path, int fd)
{
    const char* firm = getenv("TOMIVA_SHIM_FAIL_READS_OF");
    if (firm == NULL || fd < 0)
        return;
    if (EndsWith(path, ".xml.tmp"))
        g_armed = 1;
    if (fd < 64) {
        char* real = realpath(path, NULL);
        g_firmFds[fd] = real != NULL && strcmp(real, firm) == 0;
        free(real);
    }
}

int open(const char* path, int flags, ...)
{
    static int (*next)(const char*, int, ...);
    if (next == NULL)
        next = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    const int fd = next(path, flags, mode);
    Opened(path, fd);
    return fd;
}

int open64(const char* path, int flags, ...) __attribute__((alias("open")));

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset)
{
    static ssize_t (*next)(int, void*, size_t, off_t);
    if (next == NULL)
        next = (ssize_t (*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread64");
    if (g_armed && fd >= 0 && fd < 64 && g_firmFds[fd]) {
        errno = EIO;
        return -1;
    }
    return next(fd, buffer, count, offset);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) __attribute__((alias("pread64")));

int rename(const char* from, const char* to)
{
    static int (*next)(const char*, const char*);
    if (next == NULL)
        next = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    if (getenv("TOMIVA_SHIM_ALTER_AT_RENAME") != NULL && EndsWith(from, ".xml.tmp")) {
        FILE* file = fopen(from, "r+b");
        if (file != NULL) {
            static char text[1 << 20];
            const size_t n = fread(text, 1, sizeof text - 1, file);
            text[n] = '\0';
            char* amount = strstr(text, "<KWOTA>");
            if (amount != NULL) {
                char* digit = amount + strlen("<KWOTA>");
                const char changed = *digit == '9' ? '1' : (char)(*digit + 1);
                fseek(file, (long)(digit - text), SEEK_SET);
                fputc(changed, file);
            }
            fclose(file);
        }
    }
    return next(from, to);
}
