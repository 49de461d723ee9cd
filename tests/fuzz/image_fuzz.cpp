// libFuzzer harness for the texture image readers: any bytes are read as a
// PNG, a JPEG, a BMP and a TGA image, header alone and whole. Every input
// must either be refused with an error or decode into exactly width × height
// RGBA pixels. Not part of the test run; built by `make fuzz-build` as
// build/fuzz/bin/fuzz_image; run it on a corpus folder:
//   build/fuzz/bin/fuzz_image -max_len=65536 corpus/

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imagefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Reader = bool (*)(const BYTE*, size_t, bool, SDecodedImage&, std::string&);
  for (Reader read : {ReadPngImage, ReadJpegImage, ReadBmpImage, ReadTgaImage})
    for (bool headerOnly : {true, false}) {
      SDecodedImage image;
      std::string error;
      if (!read(data, size, headerOnly, image, error)) continue;
      if (!ImageSizeAllowed(image.width, image.height)) std::abort();
      if (!headerOnly && image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) std::abort();
    }
  return 0;
}
