#include "tests/jpeg_fixture.h"

#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>

#include <jpeglib.h>

#include "tests/temp_files.h"

namespace lumitone::testing {

std::vector<uint8_t> EncodeJpeg(int width, int height, int components,
                                const std::vector<uint8_t>& pixels,
                                JpegOptions options) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &data, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 1   ? JCS_GRAYSCALE
                        : components == 4 ? JCS_CMYK
                                          : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  info.arith_code = options.arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(pixels.data()) + info.next_scanline * stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(data, data + size);
  std::free(data);
  return bytes;
}

void WriteJpeg(const std::string& path, int width, int height, int components,
               const std::vector<uint8_t>& pixels, JpegOptions options) {
  WriteFileBytes(path, EncodeJpeg(width, height, components, pixels, options));
}

}  // namespace lumitone::testing
