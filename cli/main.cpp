// trellimap-cli: the headless tool for scripting, batch work and checking the
// program from outside. It works on the core alone.

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "cli/commands.h"
#include "workspace/commandline.h"

int main(int argc, char** argv) {
  using namespace trellimap::cli;
  const std::map<std::string, int (*)(const Arguments&)> commands = {
      {"new", New}, {"render", Render}, {"info", Info}, {"convert", Convert}, {"demo", Demo}};
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0)
    return std::printf("trellimap-cli %s\n", trellimap::kVersion), 0;
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(Usage("").c_str(), argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const auto command = commands.find(argv[1]);
  if (command == commands.end()) {
    std::fprintf(stderr, "trellimap-cli: unknown command \"%s\"\n%s", argv[1], Usage("").c_str());
    return 2;
  }
  return command->second(Arguments(argv + 2, argv + argc));
}
