#include "workspace/workspace.h"

#include <initializer_list>

#include "image/pixmill3.h"

namespace trellimap {

Workspace::Workspace() {
  for (dib* d : {&di1, &di2, &di3, &di4}) newdib(d, kStartWidth, kStartHeight, 24, nullptr, 0);
}

Workspace::~Workspace() {
  for (dib* d : {&di1, &di2, &di3, &di4}) ReleaseDib(d);
}

}  // namespace trellimap
