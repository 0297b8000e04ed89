#pragma once

#include <string>
#include <vector>

namespace kalvimo {

// Where the window and kalvimo-batch keep and find their files. A copy whose folder already holds
// Settings.ini, or that the user can write, keeps everything beside the program; an installed copy
// keeps the settings in the user's configuration folder and its data in the installed folders.

struct LocationInputs {
    // The running program's folder.
    std::string programFolder = {};
    bool besideProgram = true;
    // $XDG_CONFIG_HOME; ignored unless absolute, as the desktop's rules say.
    std::string configHome = {};
    std::string home = {};
    // The desktop's Pictures folder; "" for home + "/Pictures".
    std::string picturesFolder = {};
    std::string dataFolder = {};
    std::string docFolder = {};
};

struct FileLocations {
    std::string settingsPath = {};
    // The first of these that exists is the presets file.
    std::vector<std::string> presetsPaths = {};
    std::string guidePath = {};
    // The folders "Default" chooses: the program's own, or when installed, Pictures and a
    // "Kalvimo" folder inside it, which is made when first needed.
    std::string defaultSource = {};
    std::string defaultDestination = {};
};

// True when the folder holds Settings.ini, or the user may write to it and it is not the folder
// the program is installed in (installedFolder), which root can write too.
bool KeepsFilesBeside(const std::string& programFolder, const std::string& installedFolder);

// The inputs of this process: its environment and the folders it was installed to.
LocationInputs ProcessLocationInputs(const std::string& programFolder);

FileLocations LocateFiles(const LocationInputs& inputs);

// The presets file to read: the first that exists, else the first place looked at.
std::string PresetsFile(const FileLocations& locations);

} // namespace kalvimo
