#pragma once
// Where work on many pictures writes its results: the file named for each
// input, the folder they go into, and whether a name is fit to be written.
// The command line and the window name their files through these alone.

#include <string>
#include <vector>

namespace trellimap {

// The files the results of `inputs` are written to in the folder `folder`:
// each named after its input, in `format` ("png"); a name taken by an
// earlier input gets "-2", "-3", ... added.
std::vector<std::string> NamesInFolder(const std::vector<std::string>& inputs, const std::string& folder,
                                       const std::string& format);

// The file each input's result is written to: `output` itself for one input
// (unless it is a folder), else NamesInFolder of the folder `output`.
std::vector<std::string> OutputNames(const std::vector<std::string>& inputs, const std::string& output,
                                     const std::string& format);

// Makes the folder `folder` with any folders missing above it; true when it
// is a folder afterwards.
bool MakeFolder(const std::string& folder);

// Whether `path` names a file to write, not a folder: a folder, or a name
// ending in "/", would be written as a hidden file inside it or fail late.
bool NamesAFile(const std::string& path);

}  // namespace trellimap
