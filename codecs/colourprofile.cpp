#include "codecs/colourprofile.h"

#include <lcms2.h>

#include <cmath>
#include <memory>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

using ProfileHandle = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using TransformHandle = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

// Whether an RGB profile describes sRGB: the same primaries (as adapted to
// D50) and the same tone curve, within what 8-bit colours could tell apart.
bool IsSrgb(cmsHPROFILE profile) {
  const ProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  for (const cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
    const auto* ours = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* theirs = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), tag));
    if (ours == nullptr || theirs == nullptr) return false;
    if (std::abs(ours->X - theirs->X) > 0.002 || std::abs(ours->Y - theirs->Y) > 0.002 ||
        std::abs(ours->Z - theirs->Z) > 0.002)
      return false;
  }
  for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
    const auto* ours = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    const auto* theirs = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), tag));
    if (ours == nullptr || theirs == nullptr) return false;
    for (int v = 0; v <= 255; v += 5) {
      const double x = v / 255.0;
      if (std::abs(cmsEvalToneCurveFloat(ours, static_cast<cmsFloat32Number>(x)) -
                   cmsEvalToneCurveFloat(theirs, static_cast<cmsFloat32Number>(x))) > 0.5 / 255)
        return false;
    }
  }
  return true;
}

}  // namespace

bool ConvertToSrgb(dib& picture, const std::vector<uint8_t>& profile) {
  if (profile.empty() || picture.poi == nullptr) return false;
  const ProfileHandle from(cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size())),
                           &cmsCloseProfile);
  if (from == nullptr) return false;
  const cmsColorSpaceSignature space = cmsGetColorSpace(from.get());
  if (space != cmsSigRgbData && space != cmsSigGrayData) return false;
  if (space == cmsSigRgbData && IsSrgb(from.get())) return false;
  const ProfileHandle srgb(cmsCreate_sRGBProfile(), &cmsCloseProfile);
  const int32_t bits = DibBitCount(&picture);
  // A grey profile's picture reads as grey: each colour's level is its green.
  const cmsUInt32Number input = space == cmsSigGrayData ? TYPE_GRAY_8 : TYPE_BGR_8;
  if (space == cmsSigGrayData && bits == 24) return false;  // grey pictures come paletted
  const TransformHandle transform(cmsCreateTransform(from.get(), input, srgb.get(), TYPE_BGR_8,
                                                     INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION),
                                  &cmsDeleteTransform);
  if (transform == nullptr) return false;
  if (bits == 24) {
    const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = picture.poi + static_cast<int64_t>(y) * picture.bytew;
      cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(w));
    }
    return true;
  }
  if (bits > 8 || picture.pmi == nullptr) return false;
  // A paletted picture's colours are its colour table's.
  const int32_t entries = 1 << bits;
  for (int32_t i = 0; i < entries; ++i) {
    RgbQuad& c = picture.pmi->bmiColors[i];
    uint8_t in[3] = {c.rgbBlue, c.rgbGreen, c.rgbRed}, out[3];
    cmsDoTransform(transform.get(), space == cmsSigGrayData ? &in[1] : in, out, 1);
    c.rgbBlue = out[0];
    c.rgbGreen = out[1];
    c.rgbRed = out[2];
    if (!picture.ispal) continue;
    picture.pal.rgb0[i][0] = out[2];
    picture.pal.rgb0[i][1] = out[1];
    picture.pal.rgb0[i][2] = out[0];
  }
  return true;
}

}  // namespace trellimap
