// Unpacking a zip file into a folder, for the OBS plug-in install.
#pragma once

#include <string>

namespace zd
{

// Unpacks every entry of the archive at zipPath below folder (created when
// missing). The whole archive is read and checked first, every entry read
// through and its size and CRC compared, so that a refused or damaged
// archive writes nothing. Files are written beside their final name and renamed over it;
// no link met below folder is followed. Returns the number of entries
// unpacked, or a negative ZipResult.
int unzipArchive(const std::string& zipPath, const std::string& folder);

} // namespace zd
