// libFuzzer harness for the .x file reader: every input must either fail with
// an error code or read, walk and print without harm. Not part of the test
// run. Any input that once crashed goes to tests/data/xfile/fuzz, beside small
// inputs it found for each error path; the read tests replay them all. Built
// by `make fuzz-build` as build/fuzz/bin/fuzz_xfile; run it on a corpus folder:
//   build/fuzz/bin/fuzz_xfile -max_len=4096 corpus/

#include <cstddef>
#include <cstdint>
#include <string>

#include "xfile_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Com<IDirectXFile> file;
  file.p = CreateRegisteredFile();
  if (!file.get()) return 0;
  Com<IDirectXFileEnumObject> enumObject;
  if (FAILED(OpenMemory(file.get(), std::string(reinterpret_cast<const char*>(data), size), &enumObject))) return 0;
  HRESULT failure = S_OK;
  DumpAll(enumObject.get(), &failure);
  return 0;
}
