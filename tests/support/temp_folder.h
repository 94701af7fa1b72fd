// A fresh folder per test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace mv::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder in the system's internal form: '/' separators and a trailing
  // '/' (on Windows with its drive letter, e.g. "C:/users/.../mvtest-1234/").
  const std::string& path() const { return path_; }
  // path() + relative.
  std::string Join(const std::string& relative) const { return path_ + relative; }

 private:
  std::string path_;
};

}  // namespace mv::test
