#include "shell/machine/paths.h"

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::string data_dir;
std::string save_dir;

static std::string in_dir(const std::string& dir, const char* name)
{
    return dir.empty() ? std::string(name) : dir + "/" + name;
}

std::string data_path(const char* name) { return in_dir(data_dir, name); }
std::string save_path(const char* name) { return in_dir(save_dir, name); }

static bool has_assets(const std::string& dir)
{
    std::string probe = (dir.empty() ? std::string(".") : dir) + "/p_ship.bmp";
    return access(probe.c_str(), R_OK) == 0;
}

// Set at configure time from the install folders: /usr/games/zelto ->
// /usr/share/games/zelto, whatever the prefix.
const char* const data_from_program = ZELTO_DATA_FROM_PROGRAM;

std::string find_data_dir(const std::string& program_path, const std::string& relative)
{
    // An installed game knows its data by where it is installed itself; a
    // stray asset in the folder it is started from must not mislead it.
    size_t slash = program_path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : program_path.substr(0, slash);
    std::string installed = folder + "/" + relative;
    if (has_assets(installed))
        return installed;
    return "";
}

const char* home_folder()
{
    const char* home = getenv("HOME");
    if (home && home[0])
        return home;
    // As the XDG rules expect: the user's home from the password database.
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir && pw->pw_dir[0] ? pw->pw_dir : nullptr;
}

std::string user_data_dir(const char* xdg_data_home, const char* home)
{
    if (xdg_data_home && xdg_data_home[0] == '/')
        return std::string(xdg_data_home) + "/zelto";
    if (home && home[0])
        return std::string(home) + "/.local/share/zelto";
    return "";
}

std::string user_settings_file(const char* xdg_config_home, const char* home)
{
    if (xdg_config_home && xdg_config_home[0] == '/')
        return std::string(xdg_config_home) + "/zelto/zelto.cfg";
    if (home && home[0])
        return std::string(home) + "/.config/zelto/zelto.cfg";
    return "";
}

bool make_folder(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
