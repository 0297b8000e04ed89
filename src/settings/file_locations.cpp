#include "file_locations.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace kalvimo {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace

bool KeepsFilesBeside(const std::string& programFolder, const std::string& installedFolder) {
    std::error_code error;
    if (std::filesystem::exists(WithSlash(programFolder) + "Settings.ini", error)) {
        return true;
    }
    // Compared as folders, so /bin and /usr/bin of a merged system are one.
    const bool installed = std::filesystem::equivalent(programFolder, installedFolder, error);
    return !installed && ::access(programFolder.c_str(), W_OK) == 0;
}

LocationInputs ProcessLocationInputs(const std::string& programFolder) {
    LocationInputs inputs;
    inputs.programFolder = programFolder;
    inputs.besideProgram = KeepsFilesBeside(programFolder, KALVIMO_BIN_DIR);
    inputs.configHome = Environment("XDG_CONFIG_HOME");
    inputs.home = HomeFolder();
    inputs.dataFolder = KALVIMO_DATA_DIR;
    inputs.docFolder = KALVIMO_DOC_DIR;
    return inputs;
}

FileLocations LocateFiles(const LocationInputs& inputs) {
    FileLocations result;
    const std::string program = WithSlash(inputs.programFolder);
    if (inputs.besideProgram) {
        result.settingsPath = program + "Settings.ini";
        result.presetsPaths = {program + "presets.txt"};
        result.guidePath = program + "user-guide.pdf";
        result.defaultSource = program;
        result.defaultDestination = program;
        return result;
    }
    const std::string home = WithSlash(inputs.home);
    const std::string config =
        WithSlash(inputs.configHome.starts_with('/') ? inputs.configHome : home + ".config") +
        "kalvimo/";
    result.settingsPath = config + "Settings.ini";
    result.presetsPaths = {config + "presets.txt", WithSlash(inputs.dataFolder) + "presets.txt"};
    result.guidePath = WithSlash(inputs.docFolder) + "user-guide.pdf";
    const std::string pictures =
        WithSlash(inputs.picturesFolder.empty() ? home + "Pictures" : inputs.picturesFolder);
    result.defaultSource = pictures;
    result.defaultDestination = pictures + "Kalvimo/";
    return result;
}

std::string PresetsFile(const FileLocations& locations) {
    std::error_code error;
    for (const std::string& path : locations.presetsPaths) {
        if (std::filesystem::exists(path, error)) {
            return path;
        }
    }
    return locations.presetsPaths.empty() ? std::string() : locations.presetsPaths.front();
}

} // namespace kalvimo
