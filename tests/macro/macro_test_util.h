// Shared by the macro tests: a macro step from its parts.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "macro/macro_file.h"

namespace tessivo {

inline MacroStep Step(int mode, std::array<int, 3> params, std::u16string text1 = {},
                      std::u16string text2 = {}) {
  MacroStep step;
  step.mode = mode;
  step.params = params;
  step.text1 = std::move(text1);
  step.text2 = std::move(text2);
  return step;
}

}  // namespace tessivo
