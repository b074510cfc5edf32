// Uses the mask engine the way an application does; exits 0 when the values
// come out as expected.
#include <cstdio>
#include <string>

#include "gensrc/Gensrc.h"

int main() {
  qgen::TGenMask mask;
  mask.ScanMask("INV-[AB]##");
  mask.SetStartValue("A01");
  mask.SetEndValue("B99");
  mask.NullValue();
  mask.Increment();
  const std::string value = mask.GetMskValue().str();
  const std::string stamp = qgen::GetTimeStamp();
  std::printf("%s %s\n", value.c_str(), stamp.c_str());
  return value == "INV-A02" && stamp.size() == 17 ? 0 : 1;
}
