// The picture a video source shows while no capture server runs: vm_bk.bmp of
// the plug-in's data folder, always shown as a 1920 x 1080 BGRX frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltranobox
{

constexpr uint32_t kIdleWidth = 1920;
constexpr uint32_t kIdleHeight = 1080;
constexpr size_t kIdleBytes = size_t(kIdleWidth) * kIdleHeight * 4;

// A 24-bit uncompressed BMP of 1 to 10000 pixels each way, its headers,
// row stride and length checked before a pixel is read. Rows are used in the
// order the file holds them, the first at the top; each pixel becomes its
// three bytes and a 0. A picture of another size is placed at the top left
// of a black 1920 x 1080 frame, cut where it is larger. False, with out
// untouched, for anything else.
bool DecodeIdlePicture(const uint8_t* file, size_t size, std::vector<uint8_t>& out);
bool LoadIdlePicture(const std::string& path, std::vector<uint8_t>& out);

} // namespace veltranobox
