#pragma once
// The finder: a 32 x 32 cursor file (".cur") of 4286 bytes, kept as a constant.
// It is the picture of 图片框1 and the pointer while the finder is dragged.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessivo {

inline constexpr std::size_t FINDER_IMAGE_SIZE = 4286;
std::span<const uint8_t, FINDER_IMAGE_SIZE> finder_image();

}  // namespace tessivo
