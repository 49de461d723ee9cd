// Writes a short sine tone as a 16-bit mono PCM RIFF/WAVE file: the sounds
// that the program plays from its media folder.
//   wavtone <file> <frequency in Hz> <seconds>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

void Put16(std::vector<char>& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::vector<char>& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutTag(std::vector<char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: wavtone <file> <frequency> <seconds>\n");
    return 2;
  }
  const double frequency = std::atof(argv[2]), seconds = std::atof(argv[3]);
  if (!(frequency > 0 && frequency < 20000 && seconds > 0 && seconds <= 10)) {
    std::fprintf(stderr, "wavtone: frequency or length out of range\n");
    return 2;
  }
  const std::uint32_t rate = 22050;
  const auto samples = static_cast<std::uint32_t>(seconds * rate);
  const std::uint32_t dataBytes = samples * 2;

  std::vector<char> wav;
  PutTag(wav, "RIFF");
  Put32(wav, 36 + dataBytes);
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  Put32(wav, 16);        // format chunk size
  Put16(wav, 1);         // PCM
  Put16(wav, 1);         // mono
  Put32(wav, rate);      // samples per second
  Put32(wav, rate * 2);  // bytes per second
  Put16(wav, 2);         // block align
  Put16(wav, 16);        // bits per sample
  PutTag(wav, "data");
  Put32(wav, dataBytes);
  const double pi = 3.14159265358979323846;
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = std::exp(-4.0 * t / seconds) * std::min(1.0, t * 200.0);  // soft start, fading out
    const double value = 0.5 * envelope * std::sin(2.0 * pi * frequency * t);
    Put16(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32767.0))));
  }

  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(wav.data(), static_cast<std::streamsize>(wav.size()));
  if (!file) {
    std::fprintf(stderr, "wavtone: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
