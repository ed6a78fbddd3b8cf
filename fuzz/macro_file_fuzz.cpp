// libFuzzer target: the macro file reader on arbitrary bytes.
//
// A macro file comes from outside (other installs, the macro editor, a
// hand-made file), so any byte sequence must end the reading cleanly,
// without reading past the data. Beyond the sanitizers' checks, every step
// read is written again and must read back as a step of the same mode and
// parameters, taking exactly the bytes written: the writer never produces a
// line the reader cannot take.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "macro/macro_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckRewrite(const tessivo::MacroStep& step) {
  const std::string line = tessivo::EncodeStepLine(step);
  Require(!line.empty());
  tessivo::MacroReader again(line);
  Require(again.Next() == tessivo::MacroRead::kStep);
  Require(again.step().mode == step.mode);
  Require(again.position() == line.size());
  if (step.mode != 1) Require(again.step().params == step.params);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessivo::MacroReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
  // Every line read moves on by at least 6 bytes, so the reading ends
  // within size / 6 + 2 lines.
  const std::size_t bound = reader.size() / 6 + 2;
  for (std::size_t lines = 0;; ++lines) {
    Require(lines <= bound);
    const tessivo::MacroRead read = reader.Next();
    if (read == tessivo::MacroRead::kEnd || read == tessivo::MacroRead::kUnsupportedVersion) break;
    if (read == tessivo::MacroRead::kStep) CheckRewrite(reader.step());
  }
  return 0;
}
