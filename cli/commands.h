#pragma once
// The commands of trellimap-cli. Each takes its arguments after the command
// name and returns the process exit status; failures are one line on stderr.

#include <string>
#include <vector>

namespace trellimap::cli {

using Arguments = std::vector<std::string>;

int New(const Arguments& args);
int Render(const Arguments& args);
int Info(const Arguments& args);
int Convert(const Arguments& args);
int Demo(const Arguments& args);

// The usage text of one command, or of all for an empty name.
std::string Usage(const std::string& command);

}  // namespace trellimap::cli
