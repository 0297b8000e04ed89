#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kalvimo {

enum class ExistingEntry { Replace, Keep };

// Writes a file through a hidden temporary beside path, then renames it into place: a failure or
// a crash leaves whatever was at path as it was and no partial file under path. With Keep an
// entry that appears at path meanwhile is not replaced. A replacement is synced before the
// rename, so that a power loss cannot leave an empty file where the old one was; a file
// replacing nothing is not worth the wait. A replaced file's permissions are kept; a new file
// gets 0666 less the umask.
//
// write gets the open descriptor, which it must not close. The result is 0 when the file is in
// place, else an errno value (ECANCELED when write answered false).
int WriteFileInPlace(const std::string& path, ExistingEntry existing,
                     const std::function<bool(int descriptor)>& write);

// Removes the temporaries that writers which have ended (killed, or the machine stopped) left in
// folder. Those of a writer that is still running stay.
void RemoveAbandonedTemporaries(const std::string& folder);

// A folder as the file system knows it. A folder removed and made again under its name (which
// may get the same inode back) or a card's mount point left behind is another one.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t bornSeconds = 0;
    std::uint32_t bornNanoseconds = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};
// Nothing when folder names no folder.
std::optional<FolderIdentity> IdentityOf(const std::string& folder);

} // namespace kalvimo
