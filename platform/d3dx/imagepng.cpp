// PNG through libpng's simplified reading interface, which keeps its own
// error recovery: a damaged file ends in a failed call, not a jump through
// our frames.
#include <png.h>

#include "imagefile.h"

bool ReadPngImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) {
    error = std::string("damaged PNG: ") + png.message;
    png_image_free(&png);
    return false;
  }
  if (!ImageSizeAllowed(png.width, png.height)) {
    error = "PNG of an impossible size";
    png_image_free(&png);
    return false;
  }
  image.width = png.width;
  image.height = png.height;
  image.fileFormat = D3DXIFF_PNG;
  if (png.format & PNG_FORMAT_FLAG_ALPHA)
    image.format = D3DFMT_A8R8G8B8;
  else if (png.format & PNG_FORMAT_FLAG_COLORMAP)
    image.format = D3DFMT_P8;
  else if (png.format & PNG_FORMAT_FLAG_COLOR)
    image.format = D3DFMT_R8G8B8;
  else
    image.format = D3DFMT_L8;
  if (headerOnly) {
    png_image_free(&png);
    return true;
  }
  png.format = PNG_FORMAT_RGBA;
  image.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    error = std::string("damaged PNG: ") + png.message;
    png_image_free(&png);
    return false;
  }
  return true;
}
