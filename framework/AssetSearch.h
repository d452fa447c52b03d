#pragma once
#include <filesystem>
#include <string>
#include <vector>

// Assets are named by paths relative to the executable's directory, such as
// "../assets/settings.ini". The search tries the name against the executable's directory and
// then each parent in turn, up to and including the first directory that holds a
// "CMakeLists.txt" (the source tree's root) or up to the file-system root. One hit is the
// answer; the same name found in two places is fatal, since no copy may be guessed at.
// Nothing is cached. Paths come back joined as they are: ".." components stay.

// True when the path is a regular file (or a link to one) that can be opened for reading; a
// directory, a FIFO or a device is no file.
bool fileExists(const std::string& path);

// True when anything stands at the path, whatever it is and whether or not it can be read: a
// file, a directory, a FIFO, a device, a symbolic link even when it leads nowhere; also when what
// stands there cannot be told because a directory on the way cannot be searched. False only when
// nothing is there.
bool entryExists(const std::string& path);

// What makes a path on the chain a copy of the asset: fileExists, or for an asset whose reader
// says why it could not read what it found, entryExists.
using AssetPresence = bool (*)(const std::string& path);

// The one existing path for the asset, or "" when no directory of the chain holds it.
// Fatal when the executable's path cannot be read or the asset exists in several places.
std::string resolveAssetPath(const std::string& relativeName, AssetPresence present = fileExists);

// One step of the search, on `directory`; the steps of one search share `candidates`, and the
// last (highest) step decides for the whole search.
std::string searchAssetPath(std::filesystem::path directory, const std::string& relativeName,
                            std::vector<std::string>& candidates, AssetPresence present = fileExists);

// resolveAssetPath, with a missing asset fatal.
std::string findShaderFile(const std::string& name);
std::string findTextureFile(const std::string& name);
