// trellimap-cli: the headless tool for scripting and batch work.

#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: trellimap-cli [--help]\n"
      "\n"
      "Warps the outlined area of one picture into the outline on another.\n"
      "Commands for rendering and converting workspaces follow in later versions.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout);
    return 0;
  }
  PrintUsage(stderr);
  return argc == 1 ? 0 : 2;
}
