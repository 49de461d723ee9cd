// JPEG through libjpeg. libjpeg reports a fatal error by calling error_exit,
// which must not return: ours jumps back to the one frame that set the jump
// point, a frame that holds nothing with a destructor.
#include <csetjmp>
#include <cstdio>  // before the libjpeg headers, which use FILE
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "imagefile.h"

namespace {

struct SJpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
  bool truncated;
};

[[noreturn]] void ExitOnError(j_common_ptr info) {
  auto* error = reinterpret_cast<SJpegError*>(info->err);
  (*info->err->format_message)(info, error->text);
  std::longjmp(error->jump, 1);
}

// Warnings are not printed; the one that says the data ended early marks the
// image as damaged (libjpeg would fill the rest with grey).
void NoteWarning(j_common_ptr info, int level) {
  auto* error = reinterpret_cast<SJpegError*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) error->truncated = true;
}

// Decodes into rgba (already empty); false with error->text on failure. The
// caller owns every object with a destructor, so the jump skips none.
bool Decode(jpeg_decompress_struct* info, SJpegError* error, const BYTE* data, size_t size, bool headerOnly,
            SDecodedImage* image) {
  if (setjmp(error->jump)) return false;
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  jpeg_read_header(info, TRUE);
  if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK) {
    std::snprintf(error->text, sizeof(error->text), "CMYK JPEG images are not supported");
    return false;
  }
  if (!ImageSizeAllowed(info->image_width, info->image_height)) {
    std::snprintf(error->text, sizeof(error->text), "JPEG of an impossible size");
    return false;
  }
  image->width = info->image_width;
  image->height = info->image_height;
  image->fileFormat = D3DXIFF_JPG;
  image->format = info->num_components == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
  if (headerOnly) return true;
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) {
    std::snprintf(error->text, sizeof(error->text), "JPEG colours cannot be read as RGB");
    return false;
  }
  image->rgba.resize(static_cast<size_t>(image->width) * image->height * 4);
  std::vector<BYTE>& rgba = image->rgba;
  JSAMPARRAY rows = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, image->width * 3, 1);
  while (info->output_scanline < info->output_height) {
    const JDIMENSION y = info->output_scanline;
    if (jpeg_read_scanlines(info, rows, 1) != 1) break;
    const JSAMPLE* row = rows[0];
    BYTE* out = &rgba[static_cast<size_t>(y) * image->width * 4];
    for (UINT x = 0; x < image->width; ++x) {
      out[4 * x] = row[3 * x];
      out[4 * x + 1] = row[3 * x + 1];
      out[4 * x + 2] = row[3 * x + 2];
      out[4 * x + 3] = 255;
    }
  }
  if (error->truncated || info->output_scanline < info->output_height) {
    std::snprintf(error->text, sizeof(error->text), "the JPEG data ends early");
    return false;
  }
  jpeg_finish_decompress(info);
  if (error->truncated) {
    std::snprintf(error->text, sizeof(error->text), "the JPEG data ends early");
    return false;
  }
  return true;
}

}  // namespace

bool ReadJpegImage(const BYTE* data, size_t size, bool headerOnly, SDecodedImage& image, std::string& error) {
  jpeg_decompress_struct info{};
  SJpegError jpegError{};
  info.err = jpeg_std_error(&jpegError.manager);
  jpegError.manager.error_exit = ExitOnError;
  jpegError.manager.emit_message = NoteWarning;
  const bool read = Decode(&info, &jpegError, data, size, headerOnly, &image);
  jpeg_destroy_decompress(&info);
  if (!read) error = std::string("damaged JPEG: ") + jpegError.text;
  return read;
}
