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

// The one existing path for the asset, or "" when no directory of the chain holds it.
// Fatal when the executable's path cannot be read or the asset exists in several places.
std::string resolveAssetPath(const std::string& relativeName);

// One step of the search, on `directory`; the steps of one search share `candidates`, and the
// last (highest) step decides for the whole search.
std::string searchAssetPath(std::filesystem::path directory, const std::string& relativeName,
                            std::vector<std::string>& candidates);

// resolveAssetPath, with a missing asset fatal.
std::string findShaderFile(const std::string& name);
std::string findTextureFile(const std::string& name);
