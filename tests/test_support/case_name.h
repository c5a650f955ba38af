// The name of a parameterised case, made from its description: letters and digits stay,
// everything else becomes '_'.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace tessaly::test {

inline std::string CaseName(std::string_view description) {
  std::string name(description);
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

}  // namespace tessaly::test
