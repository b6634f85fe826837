// Opening files without trusting what lies at a path. Every file the game
// reads or writes is opened so that the open cannot block (a named pipe, a
// device), checked to be a regular file, and then used through that same
// descriptor, so what was checked is what is read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct PACKFILE;

// Opens a regular file with open(2) flags (O_RDONLY, O_WRONLY | O_CREAT, ...).
// Returns the descriptor, or -1 with a short reason in `why`: the system's
// ("No such file or directory") or "a folder", "a named pipe", "a device"...
// O_TRUNC is applied only once the file is known to be regular.
int open_regular(const std::string& path, int flags, std::string& why, int mode = 0666);

// What a file of this mode is, for messages: "a folder", "a named pipe",
// "a device", "a symbolic link"...
const char* kind_of_file(unsigned mode);

// The mode a new file gets when made with mode 0666 under the current umask.
unsigned new_file_mode();

// Writes all of `size` bytes to fd, retrying short writes; false with errno.
bool write_all(int fd, const void* data, size_t size);

// The file a write to path lands in: path, or the end of the links from it
// (which need not exist yet), following at most `hops` links. "" with the
// reason for a loop of links or a link that cannot be read.
std::string link_target(const std::string& path, std::string& why, int hops = 40);

// The folder a path is in: "." for a bare name, "/" for one at the root.
std::string folder_of(const std::string& path);

// The temporary file a write has in hand, for a signal that ends the game
// at once to remove; null between writes.
extern const char* volatile temp_file_in_hand;

// The steps of replace_file, in order, for tests that make one fail.
enum { REPLACE_CREATE, REPLACE_WRITE, REPLACE_SYNC, REPLACE_CLOSE, REPLACE_RENAME, REPLACE_STEPS };
extern int replace_failed_at;  // the step the last replace_file failed at; REPLACE_STEPS when it did not

// Puts `size` bytes in place of the file `target` (which need not exist
// yet) all at once: they go into a temporary file created afresh beside it,
// synced to the disk when `durable`, and renamed over it, so a reader finds
// the old file or the new one whole, and a link someone left is never
// followed. The file keeps the mode it had; a new one gets new_file_mode().
// False with the reason (errno that of the step that failed, which
// replace_failed_at names), and no temporary file left. `fails`, when set, is asked before each step and
// makes that step fail (tests). The temporary file is named target, then
// `mark`, then six letters.
bool replace_file(const std::string& target, const void* data, size_t size, bool durable,
                  std::string& why, bool (*fails)(int step) = nullptr, const char* mark = ".");

// Reads from fd until its end or `most` bytes, whichever comes first, into
// `out`; false with the reason when a read fails.
bool read_up_to(int fd, std::vector<unsigned char>& out, size_t most, std::string& why);
// Reads a whole regular file of at most `limit` bytes into `out`.
bool read_regular(const std::string& path, std::vector<unsigned char>& out, std::string& why,
                  size_t limit);

// An Allegro read-only packfile over bytes in memory, for the library's
// loaders; the bytes must outlive it. Close it with pack_fclose().
PACKFILE* memory_packfile(const std::vector<unsigned char>& bytes);

// An Allegro write-only packfile that appends what is written to `bytes`,
// so a file can be made whole in memory and then written in one go.
PACKFILE* memory_out_packfile(std::vector<unsigned char>& bytes);

// Makes descriptors 0, 1 and 2 valid (on /dev/null where they are closed),
// so that no file or connection the game opens later takes their place.
void guard_std_streams();
