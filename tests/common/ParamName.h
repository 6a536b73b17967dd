#pragma once

#include <cctype>
#include <string>

// Names a parameterised test after its case's Name, with every character
// that a test name cannot hold turned into '_'.
struct TParamName {
  template <class TInfo> std::string operator()(const TInfo& Info) const {
    std::string Name = Info.param.Name;
    for (char& C : Name)
      if (!std::isalnum(static_cast<unsigned char>(C)))
        C = '_';
    return Name;
  }
};
