#include "render/flatten.h"

namespace trellimap {

std::optional<PageSize> ParsePageSize(std::string_view) { return std::nullopt; }

FlatSize FlatPageSize(const PageSize&, const TDynaArray&, int32_t, int32_t) { return {0, 0}; }

bool PrepareFlatten(Workspace&, FlatSize) { return false; }

}  // namespace trellimap
