#include "shell/machine/files.h"

#include <algorithm>
#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* kind_of_file(unsigned mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

int open_regular(const std::string& path, int flags, std::string& why, int mode)
{
    bool truncate = flags & O_TRUNC;
    // O_NONBLOCK: opening a pipe with no writer, or a device, must not wait.
    int fd = open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0) {
        why = strerror(errno);
        return -1;
    }
    struct stat st;
    bool known = fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        why = known ? kind_of_file(st.st_mode) : strerror(errno);
        close(fd);
        return -1;
    }
    // A regular file: ordinary blocking reads and writes from here on.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (truncate && ftruncate(fd, 0) != 0) {
        why = strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

unsigned new_file_mode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool write_all(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

const char* volatile temp_file_in_hand = nullptr;

int replace_failed_at = REPLACE_STEPS;

bool replace_file(const std::string& target, const void* data, size_t size, bool durable,
                  std::string& why, bool (*fails)(int step), const char* mark)
{
    replace_failed_at = REPLACE_CREATE;
    auto failing = [fails](int step) {
        if (fails && fails(step)) {
            errno = EIO;
            return true;
        }
        return false;
    };
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temp = target + mark + "XXXXXX";
    int fd = failing(REPLACE_CREATE) ? -1 : mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        why = "cannot create a file in " + folder_of(target) + ": " + strerror(error);
        errno = error;
        return false;
    }
    temp_file_in_hand = temp.c_str();
    // mkstemp makes the file private.
    fchmod(fd, exists ? old.st_mode & 07777 : new_file_mode());
    int step = REPLACE_WRITE;
    bool ok = !failing(step) && write_all(fd, data, size);
    if (ok && durable)
        step = REPLACE_SYNC, ok = !failing(step) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (ok)
        step = REPLACE_CLOSE;
    if (close(fd) != 0 && ok)
        ok = false, error = errno;
    ok = ok && !failing(REPLACE_CLOSE);
    if (ok)
        step = REPLACE_RENAME, ok = !failing(step) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok && !error)
        error = errno;
    if (ok) {
        replace_failed_at = REPLACE_STEPS;
    } else {
        replace_failed_at = step;
        why = strerror(error);
        unlink(temp.c_str());
        errno = error;
    }
    temp_file_in_hand = nullptr;
    return ok;
}

std::string link_target(const std::string& path, std::string& why, int hops)
{
    std::string at = path;
    for (int hop = 0; hop < hops; hop++) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;  // the file itself, or nothing yet: written as it is named
        // st_size is the link's length, except on file systems that say 0.
        std::string to(std::max(size_t(st.st_size), size_t(PATH_MAX)) + 1, '\0');
        ssize_t n = readlink(at.c_str(), &to[0], to.size());
        if (n < 0 || size_t(n) >= to.size()) {
            why = n < 0 ? strerror(errno) : "a link that changed while being read";
            return "";
        }
        to.resize(size_t(n));
        if (to.empty()) {
            why = "an empty link";
            return "";
        }
        // A relative link points from the folder the link is in.
        size_t slash = at.rfind('/');
        if (to[0] != '/' && slash != std::string::npos)
            to = at.substr(0, slash + 1) + to;
        at = to;
    }
    why = "too many levels of links";
    return "";
}

bool read_up_to(int fd, std::vector<unsigned char>& out, size_t most, std::string& why)
{
    out.clear();
    unsigned char block[8192];
    while (out.size() < most) {
        ssize_t got = read(fd, block, std::min(sizeof block, most - out.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        out.insert(out.end(), block, block + got);
    }
    return true;
}

bool read_regular(const std::string& path, std::vector<unsigned char>& out, std::string& why,
                  size_t limit)
{
    out.clear();
    int fd = open_regular(path, O_RDONLY, why);
    if (fd < 0)
        return false;
    // A file that says it is too large is refused unread.
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > 0 && size_t(st.st_size) > limit) {
        why = "too large";
        close(fd);
        return false;
    }
    // One byte past the limit tells a file that is too large.
    bool read = read_up_to(fd, out, limit + 1, why);
    close(fd);
    if (read && out.size() > limit) {
        why = "too large";
        out.clear();
        return false;
    }
    return read;
}

// ---- A packfile over memory ----------------------------------------------------

namespace {

struct memory_file {
    const unsigned char* data;
    long size;
    long at;
};

int mem_fclose(void* f)
{
    delete static_cast<memory_file*>(f);
    return 0;
}

int mem_getc(void* p)
{
    memory_file* f = static_cast<memory_file*>(p);
    return f->at < f->size ? f->data[f->at++] : EOF;
}

int mem_ungetc(int c, void* p)
{
    memory_file* f = static_cast<memory_file*>(p);
    if (f->at == 0 || c == EOF)
        return EOF;
    f->at--;
    return c;
}

long mem_fread(void* out, long n, void* p)
{
    memory_file* f = static_cast<memory_file*>(p);
    if (n <= 0)
        return 0;
    long got = n < f->size - f->at ? n : f->size - f->at;
    memcpy(out, f->data + f->at, size_t(got));
    f->at += got;
    return got;
}

int mem_putc(int, void*) { return EOF; }
long mem_fwrite(const void*, long, void*) { return 0; }

int mem_fseek(void* p, int offset)
{
    memory_file* f = static_cast<memory_file*>(p);
    if (offset < 0 || offset > f->size - f->at)
        return -1;
    f->at += offset;
    return 0;
}

int mem_feof(void* p)
{
    memory_file* f = static_cast<memory_file*>(p);
    return f->at >= f->size;
}

int mem_ferror(void*) { return 0; }

const PACKFILE_VTABLE MEMORY_VTABLE = {
    mem_fclose, mem_getc, mem_ungetc, mem_fread, mem_putc, mem_fwrite, mem_fseek, mem_feof, mem_ferror,
};

// Writing into a growing vector: the BMP writer puts out a byte at a time,
// which would cost a system call each straight to a file.
int out_fclose(void*) { return 0; }
int out_getc(void*) { return EOF; }
int out_ungetc(int, void*) { return EOF; }
long out_fread(void*, long, void*) { return 0; }

typedef std::vector<unsigned char> byte_vector;

int out_putc(int c, void* p)
{
    static_cast<byte_vector*>(p)->push_back((unsigned char)c);
    return c;
}

long out_fwrite(const void* data, long n, void* p)
{
    const unsigned char* b = static_cast<const unsigned char*>(data);
    byte_vector* out = static_cast<byte_vector*>(p);
    out->insert(out->end(), b, b + n);
    return n;
}

int out_fseek(void*, int) { return -1; }
int out_feof(void*) { return 0; }

const PACKFILE_VTABLE OUT_VTABLE = {
    out_fclose, out_getc, out_ungetc, out_fread, out_putc, out_fwrite, out_fseek, out_feof, mem_ferror,
};

}  // namespace

PACKFILE* memory_out_packfile(std::vector<unsigned char>& bytes)
{
    return pack_fopen_vtable(&OUT_VTABLE, &bytes);
}

PACKFILE* memory_packfile(const std::vector<unsigned char>& bytes)
{
    memory_file* f = new memory_file{bytes.data(), long(bytes.size()), 0};
    PACKFILE* pf = pack_fopen_vtable(&MEMORY_VTABLE, f);
    if (!pf)
        delete f;
    return pf;
}

void guard_std_streams()
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            // Lower descriptors are taken, so open() chose a higher one.
            dup2(null, fd);
            close(null);
        }
    }
}
