// Texture images read into textures, and surfaces copied into surfaces.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "d3dx8.h"
#include "image_files.h"
#include "temp_folder.h"
#include "test_device.h"

namespace {

std::string Png(const TestPicture& p, bool alpha) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = p.width;
  image.height = p.height;
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  std::vector<uint8_t> source;
  for (size_t i = 0; i < p.rgba.size(); i += 4)
    source.insert(source.end(), p.rgba.begin() + i, p.rgba.begin() + i + (alpha ? 4 : 3));
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, source.data(), 0, nullptr));
  std::string out(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, source.data(), 0, nullptr));
  out.resize(size);
  return out;
}

// Each pixel of p as a block of 8 × 8, so that the lossy coding keeps its
// colour at the block's centre.
std::string Jpeg(const TestPicture& p) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = p.width * 8;
  info.image_height = p.height * 8;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(info.image_width * 3);
  for (unsigned y = 0; y < info.image_height; ++y) {
    for (unsigned x = 0; x < info.image_width; ++x)
      for (int c = 0; c < 3; ++c) row[x * 3 + c] = p.At(x / 8, y / 8)[c];
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

struct ImageCase {
  const char* name;
  std::string bytes;
  D3DXIMAGE_FILEFORMAT fileFormat;
  D3DFORMAT format;
  UINT scale;     // each picture pixel is scale × scale image pixels
  int tolerance;  // per channel
  bool alpha;     // the file keeps the half-transparent alpha
};

std::vector<ImageCase> ImageCases() {
  const TestPicture p = TestColours();
  return {
      {"colour.png", Png(p, false), D3DXIFF_PNG, D3DFMT_R8G8B8, 1, 0, false},
      {"alpha.png", Png(p, true), D3DXIFF_PNG, D3DFMT_A8R8G8B8, 1, 0, true},
      {"blocks.jpg", Jpeg(p), D3DXIFF_JPG, D3DFMT_X8R8G8B8, 8, 6, false},
      {"bottom_up.bmp", Bmp24(p), D3DXIFF_BMP, D3DFMT_R8G8B8, 1, 0, false},
      {"top_down.bmp", Bmp24(p, true), D3DXIFF_BMP, D3DFMT_R8G8B8, 1, 0, false},
      {"palette.bmp", Bmp8(p, false), D3DXIFF_BMP, D3DFMT_P8, 1, 0, false},
      {"runs.bmp", Bmp8(p, true), D3DXIFF_BMP, D3DFMT_P8, 1, 0, false},
      {"plain.tga", Tga(p, 24, false), D3DXIFF_TGA, D3DFMT_R8G8B8, 1, 0, false},
      {"alpha.tga", Tga(p, 32, false, true), D3DXIFF_TGA, D3DFMT_A8R8G8B8, 1, 0, true},
      {"runs.tga", Tga(p, 32, true), D3DXIFF_TGA, D3DFMT_A8R8G8B8, 1, 0, true},
  };
}

// The RGBA pixels of level 0 of an A8R8G8B8 texture.
TestPicture Pixels(IDirect3DTexture8* texture) {
  D3DSURFACE_DESC desc{};
  EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  TestPicture out{desc.Width, desc.Height, std::vector<uint8_t>(desc.Width * desc.Height * 4)};
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  for (UINT y = 0; y < desc.Height; ++y)
    for (UINT x = 0; x < desc.Width; ++x) {
      const BYTE* p = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * 4;  // B, G, R, A
      uint8_t* q = &out.rgba[(y * desc.Width + x) * 4];
      q[0] = p[2], q[1] = p[1], q[2] = p[0], q[3] = p[3];
    }
  texture->UnlockRect(0);
  return out;
}

::testing::AssertionResult SamePixel(const uint8_t* got, const uint8_t* expected, int tolerance, bool alpha) {
  for (int c = 0; c < 4; ++c) {
    const int want = c == 3 && !alpha ? 255 : expected[c];
    if (std::abs(got[c] - want) > tolerance)
      return ::testing::AssertionFailure() << "channel " << c << " is " << int(got[c]) << ", expected " << want;
  }
  return ::testing::AssertionSuccess();
}

class Texture : public DeviceTest {
 protected:
  std::string Write(const char* name, const std::string& bytes) {
    const std::string path = m_folder.Path(name);
    WriteBytes(path, bytes);
    return path;
  }
  HRESULT Create(const std::string& path, IDirect3DTexture8** texture, D3DXIMAGE_INFO* info = nullptr, D3DCOLOR key = 0,
                 UINT width = D3DX_DEFAULT, UINT height = D3DX_DEFAULT, DWORD filter = D3DX_FILTER_NONE) {
    return D3DXCreateTextureFromFileExA(m_device.get(), path.c_str(), width, height, 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_MANAGED, filter, D3DX_DEFAULT, key, info, nullptr, texture);
  }
  TempFolder m_folder;
};

TEST_F(Texture, EachFormatDecodesToItsPixels) {
  const TestPicture p = TestColours();
  for (const ImageCase& c : ImageCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, c.bytes);
    D3DXIMAGE_INFO header{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &header), D3D_OK);
    EXPECT_EQ(header.Width, p.width * c.scale);
    EXPECT_EQ(header.Height, p.height * c.scale);
    EXPECT_EQ(header.Format, c.format);
    EXPECT_EQ(header.ImageFileFormat, c.fileFormat);
    EXPECT_EQ(header.MipLevels, 1u);
    ComRef<IDirect3DTexture8> texture;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Create(path, &texture, &info), D3D_OK);
    EXPECT_EQ(info.Width, header.Width);
    EXPECT_EQ(info.Format, header.Format);
    const TestPicture got = Pixels(texture.get());
    ASSERT_EQ(got.width, header.Width);
    ASSERT_EQ(got.height, header.Height);
    for (unsigned y = 0; y < p.height; ++y)
      for (unsigned x = 0; x < p.width; ++x)
        EXPECT_TRUE(
            SamePixel(got.At(x * c.scale + c.scale / 2, y * c.scale + c.scale / 2), p.At(x, y), c.tolerance, c.alpha))
            << "at " << x << ", " << y;
  }
}

// Truncated, overwritten and randomly flipped copies of every image: each
// either reads into a whole texture or fails with an error; the truncated
// and the plainly damaged ones fail.
TEST_F(Texture, DamagedImagesFailCleanly) {
  std::mt19937 random(18);
  for (const ImageCase& c : ImageCases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> failing;
    for (size_t cut : {size_t(0), size_t(1), size_t(8), size_t(17), c.bytes.size() / 2, c.bytes.size() - 13})
      failing.push_back(c.bytes.substr(0, cut));
    // A PNG that lacks only the check sum of its end mark has all its pixels.
    if (c.fileFormat != D3DXIFF_PNG) failing.push_back(c.bytes.substr(0, c.bytes.size() - 1));
    std::vector<std::string> any;
    for (int i = 0; i < 40; ++i) {
      std::string flipped = c.bytes;
      for (int k = 0; k < 3; ++k) flipped[random() % flipped.size()] ^= static_cast<char>(1 + random() % 255);
      any.push_back(flipped);
    }
    for (size_t i = 0; i < failing.size(); ++i) {
      const std::string path = Write(c.name, failing[i]);
      ComRef<IDirect3DTexture8> texture;
      D3DXIMAGE_INFO info{};
      EXPECT_EQ(Create(path, &texture), D3DXERR_INVALIDDATA) << "cut at " << failing[i].size();
      EXPECT_FALSE(texture);
      if (failing[i].size() < 8) {
        EXPECT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3DXERR_INVALIDDATA);
      }
    }
    for (const std::string& bytes : any) {
      const std::string path = Write(c.name, bytes);
      ComRef<IDirect3DTexture8> texture;
      const HRESULT hr = Create(path, &texture);
      EXPECT_TRUE(hr == D3D_OK || hr == D3DXERR_INVALIDDATA) << std::hex << hr;
      EXPECT_EQ(SUCCEEDED(hr), static_cast<bool>(texture));
    }
  }
}

// The texture images that came with real models read, and their textures
// have the images' sizes.
TEST_F(Texture, RealImagesRead) {
  const std::filesystem::path root(VOREVER_TESTDATA);
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no real files in " << root;
  int images = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(c));
    if (!entry.is_regular_file() || (ext != ".png" && ext != ".jpg" && ext != ".bmp" && ext != ".tga")) continue;
    SCOPED_TRACE(entry.path().string());
    ++images;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(entry.path().c_str(), &info), D3D_OK);
    ComRef<IDirect3DTexture8> texture;
    ASSERT_EQ(Create(entry.path().string(), &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, info.Width);
    EXPECT_EQ(desc.Height, info.Height);
  }
  EXPECT_GT(images, 0);
}

TEST_F(Texture, HeadersThatLieAreRefused) {
  const TestPicture p = TestColours();
  auto patched = [](std::string bytes, size_t at, std::initializer_list<int> values) {
    for (int v : values) bytes[at++] = static_cast<char>(v);
    return bytes;
  };
  const std::string bmp = Bmp24(p), bmp8 = Bmp8(p, false), runs = Bmp8(p, true), tga = Tga(p, 24, false);
  const struct {
    const char* what;
    const char* name;
    std::string bytes;
  } cases[] = {
      {"BMP wider than the file", "a.bmp", patched(bmp, 18, {0xFF, 0xFF, 0, 0})},
      {"BMP of 7 bits", "a.bmp", patched(bmp, 28, {7, 0})},
      {"BMP header size 0", "a.bmp", patched(bmp, 14, {0, 0, 0, 0})},
      {"BMP pixels past the end", "a.bmp", patched(bmp, 10, {0xFF, 0xFF, 0, 0})},
      {"BMP index past its palette", "a.bmp", patched(bmp8, 46, {2, 0, 0, 0})},
      {"BMP run past its row", "a.bmp", patched(runs, 14 + 40 + 32, {9, 0})},
      {"BMP palette of 300 colours", "a.bmp", patched(bmp8, 46, {0x2C, 1, 0, 0})},
      {"TGA of type 7", "a.tga", patched(tga, 2, {7})},
      {"TGA of 0 × 2 pixels", "a.tga", patched(tga, 12, {0, 0})},
      {"TGA of 12 bits", "a.tga", patched(tga, 16, {12})},
      {"colour-mapped TGA without a map", "a.tga", patched(tga, 2, {1})},
      {"no known signature", "a.img", bmp.substr(2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Write(c.name, c.bytes);
    ComRef<IDirect3DTexture8> texture;
    EXPECT_EQ(Create(path, &texture), D3DXERR_INVALIDDATA);
  }
  ComRef<IDirect3DTexture8> texture;
  EXPECT_EQ(Create(m_folder.Path("missing.png"), &texture), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXCreateTextureFromFileExA(m_device.get(), nullptr, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
            D3DERR_INVALIDCALL);
}

TEST_F(Texture, WindowsSeparatorsAreRead) {
  std::filesystem::create_directory(m_folder.Path("maps"));
  WriteBytes(m_folder.Path("maps/wall.tga"), Tga(TestColours(), 24, false));
  const std::string windowsPath = m_folder.Path("") + "maps\\wall.tga";
  D3DXIMAGE_INFO info{};
  EXPECT_EQ(D3DXGetImageInfoFromFileA(windowsPath.c_str(), &info), D3D_OK);
  EXPECT_EQ(info.Width, 4u);
}

TEST_F(Texture, RequirementsAdjustSizesLevelsAndFormats) {
  D3DCAPS8 caps{};
  ASSERT_EQ(m_device->GetDeviceCaps(&caps), D3D_OK);
  const struct {
    UINT width, height, levels;
    D3DFORMAT format;
    UINT wantWidth, wantHeight, wantLevels;
    D3DFORMAT wantFormat;
  } cases[] = {
      {D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN, 256, 256, 9, D3DFMT_A8R8G8B8},
      {64, 16, 1, D3DFMT_R8G8B8, 64, 16, 1, D3DFMT_X8R8G8B8},
      {5, 3, 10, D3DFMT_P8, 5, 3, 3, D3DFMT_A8R8G8B8},
      {caps.MaxTextureWidth * 2, 8, D3DX_DEFAULT, D3DFMT_R5G6B5, caps.MaxTextureWidth, 8, 0, D3DFMT_R5G6B5},
  };
  for (const auto& c : cases) {
    UINT width = c.width, height = c.height, levels = c.levels;
    D3DFORMAT format = c.format;
    ASSERT_EQ(D3DXCheckTextureRequirements(m_device.get(), &width, &height, &levels, 0, &format, D3DPOOL_MANAGED),
              D3D_OK);
    EXPECT_EQ(width, c.wantWidth);
    EXPECT_EQ(height, c.wantHeight);
    if (c.wantLevels) {
      EXPECT_EQ(levels, c.wantLevels);
    }
    EXPECT_EQ(format, c.wantFormat);
  }
  EXPECT_EQ(D3DXCheckTextureRequirements(m_device.get(), nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(D3DXCheckTextureRequirements(nullptr, nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
            D3DERR_INVALIDCALL);
}

TEST_F(Texture, ColourKeyMakesPixelsTransparent) {
  const std::string path = Write("key.bmp", Bmp24(TestColours()));
  ComRef<IDirect3DTexture8> texture;
  ASSERT_EQ(Create(path, &texture, nullptr, 0xFF00FF00), D3D_OK);  // opaque green
  const TestPicture got = Pixels(texture.get());
  const uint8_t clear[4] = {0, 0, 0, 0}, red[4] = {255, 0, 0, 255};
  EXPECT_TRUE(SamePixel(got.At(1, 0), clear, 0, true));
  EXPECT_TRUE(SamePixel(got.At(0, 0), red, 0, true));
}

// Level 0 scaled down averages the pixels it covers; the further levels halve
// it.
TEST_F(Texture, ScalingAveragesAndMipLevelsHalve) {
  TestPicture p{4, 2, {}};
  for (unsigned i = 0; i < 8; ++i) p.rgba.insert(p.rgba.end(), {uint8_t(i % 2 ? 200 : 100), 0, 0, 255});
  const std::string path = Write("stripes.tga", Tga(p, 32, false));
  ComRef<IDirect3DTexture8> texture;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device.get(), path.c_str(), 2, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         D3DX_FILTER_BOX, D3DX_FILTER_BOX, 0, nullptr, nullptr, &texture),
            D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 2u);
  const TestPicture level0 = Pixels(texture.get());
  ASSERT_EQ(level0.width, 2u);
  EXPECT_EQ(level0.At(0, 0)[0], 150);
  EXPECT_EQ(level0.At(1, 1)[0], 150);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<const BYTE*>(locked.pBits)[2], 150);  // red of the 1 × 1 level
  texture->UnlockRect(1);
}

TEST_F(Texture, SurfaceCopiesScaleConvertAndKeepToTheirRectangles) {
  const std::string path = Write("colours.png", Png(TestColours(), true));
  ComRef<IDirect3DTexture8> source, target;
  ASSERT_EQ(Create(path, &source), D3D_OK);
  ASSERT_EQ(m_device->CreateTexture(8, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &target), D3D_OK);
  ComRef<IDirect3DSurface8> from, to;
  ASSERT_EQ(source->GetSurfaceLevel(0, &from), D3D_OK);
  ASSERT_EQ(target->GetSurfaceLevel(0, &to), D3D_OK);
  // The right half of the target from the source's blue and white, doubled.
  const RECT sourceRect{2, 0, 4, 1}, targetRect{4, 0, 8, 2};
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, &targetRect, from.get(), nullptr, &sourceRect,
                                       D3DX_FILTER_POINT, 0),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(to->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  auto at = [&](int x, int y) {
    return reinterpret_cast<const uint16_t*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch)[x];
  };
  EXPECT_EQ(at(4, 0), 0x001F);  // blue
  EXPECT_EQ(at(5, 1), 0x001F);
  EXPECT_EQ(at(6, 0), 0xFFFF);  // white
  EXPECT_EQ(at(7, 1), 0xFFFF);
  EXPECT_EQ(at(0, 0), 0);  // outside the rectangle: untouched
  EXPECT_EQ(at(3, 3), 0);
  to->UnlockRect();
  const RECT outside{0, 0, 9, 1};
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, &outside, from.get(), nullptr, nullptr, D3DX_FILTER_POINT, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(to.get(), nullptr, nullptr, nullptr, nullptr, nullptr, D3DX_FILTER_POINT, 0),
            D3DERR_INVALIDCALL);
}

}  // namespace
