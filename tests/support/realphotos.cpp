#include "tests/support/realphotos.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/support/syntheticphoto.h"

namespace trellimap::testing {
namespace {

// The labels' points are fractions of the picture's width and height.
std::vector<Vec> Points(const nlohmann::json& list, int32_t width, int32_t height) {
  std::vector<Vec> points;
  for (const auto& p : list) points.push_back({p.at(0).get<double>() * width, p.at(1).get<double>() * height});
  return points;
}

// The points of side `key` strictly between its ends, from `from`'s end on.
std::vector<Vec> Inner(const nlohmann::json& labels, const char* key, bool reversed, int32_t width, int32_t height) {
  if (!labels.contains(key)) return {};
  std::vector<Vec> points = Points(labels[key], width, height);
  if (points.size() < 3) return {};
  if (reversed) std::reverse(points.begin(), points.end());
  return {points.begin() + 1, points.end() - 1};
}

}  // namespace

std::optional<std::string> RealPhotoFolder() {
  const char* given = std::getenv("TRELLIMAP_REAL_PHOTOS");
  const std::string folder = given != nullptr && *given != '\0' ? given : TRELLIMAP_REAL_PHOTOS;
  if (!std::filesystem::exists(std::filesystem::path(folder) / "truth.json")) return std::nullopt;
  return folder;
}

std::vector<RealPhoto> ReadRealPhotos(const std::string& folder) {
  std::ifstream in(std::filesystem::path(folder) / "truth.json");
  const nlohmann::json truth = nlohmann::json::parse(in, nullptr, false);
  std::vector<RealPhoto> photos;
  if (!truth.is_object()) return photos;
  for (const auto& [name, labels] : truth.items()) {
    RealPhoto photo;
    photo.file = (std::filesystem::path(folder) / name).string();
    photo.width = labels.at("size").at(0).get<int32_t>();
    photo.height = labels.at("size").at(1).get<int32_t>();
    photo.noPage = labels.value("no_page", false);
    if (!photo.noPage) {
      photo.corners = Points(labels.at("corners"), photo.width, photo.height);
      // Round the page: top left to right, down the right, bottom right to left, up the left.
      const std::vector<Vec> sides[4] = {Inner(labels, "curve_top", false, photo.width, photo.height),
                                         Inner(labels, "curve_right", false, photo.width, photo.height),
                                         Inner(labels, "curve_bottom", true, photo.width, photo.height),
                                         Inner(labels, "curve_left", true, photo.width, photo.height)};
      for (int k = 0; k < 4; ++k) {
        photo.outline.push_back(photo.corners[static_cast<size_t>(k)]);
        photo.outline.insert(photo.outline.end(), sides[k].begin(), sides[k].end());
      }
    }
    photos.push_back(photo);
  }
  std::sort(photos.begin(), photos.end(), [](const RealPhoto& a, const RealPhoto& b) { return a.file < b.file; });
  return photos;
}

double OverlapWithPage(const RealPhoto& photo, const std::vector<Vec>& found) {
  if (photo.noPage || found.size() < 3) return 0;
  // Cells of a two-thousandth of the diagonal: fine enough for 0.1 % of overlap, quick on 12 megapixels.
  const double step = std::max(0.5, std::hypot(photo.width, photo.height) / 2000);
  return Overlap(found, photo.outline, photo.width, photo.height, step);
}

}  // namespace trellimap::testing
