#pragma once

#include "gdiplus.h"
#include "job_options.h"

#include <optional>
#include <string>

namespace kalvimo {

// The file's creation time in local time as "yyyymmdd_hhnnss": its birth time where the file
// system records one, else its last modification. Empty when the file cannot be found.
std::optional<std::string> FileDateStamp(const std::string& path);

// Where the picture fileName (read from sourcePath) is written: the same name in the destination
// folder, or with renameWithDate the date-based name. A name whose extension none of the
// encoders writes ends in ".jpg" instead. Empty when the date the name needs cannot be read.
std::optional<std::string> OutputPath(const JobOptions& options, const std::string& fileName,
                                      const std::string& sourcePath, const cGdiPlus& encoders);

} // namespace kalvimo
