// Drives the mask engine with arbitrary bytes: pictures, limits, counting
// parts, values to check and sequences of steps, with and without handlers,
// and checks the table's invariants after every operation. Messages go to a
// sink that drops them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/Exception.h"
#include "framework/Messages.h"
#include "gensrc/GenMask.h"

namespace {

using qgen::TGenMask;
using qgen::TmString;

class DropMessages : public qgen::MessageSink {
 public:
  void Show(const qgen::ShownMessage&) override {}
};

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// What must hold after any operation: one character per used entry, sets
// pointing inside themselves, unused entries empty, limits within 100.
void CheckInvariants(TGenMask& mask) {
  Check(mask.Count >= 0 && mask.Count <= TGenMask::kMaxSymbols);
  std::size_t counting = 0;
  for (int i = 0; i < mask.Count; ++i) {
    const auto& s = mask.Symbols[static_cast<std::size_t>(i)];
    Check(s.Kind != qgen::NONE && s.Kind != qgen::OTHER);
    if (s.Kind == qgen::ENUMS) {
      Check(!s.Chars.empty() && s.Current >= 0 &&
            static_cast<std::size_t>(s.Current) < s.Chars.size());
    } else {
      Check(s.Chars.size() == 1 && s.Current == 0);
    }
    if (s.Kind == qgen::ENUMS || s.Kind == qgen::INC)
      ++counting;
  }
  for (int i = mask.Count; i < TGenMask::kTableSize; ++i) {
    Check(mask.Symbols[static_cast<std::size_t>(i)].Kind == qgen::NONE);
  }
  Check(mask.GetMskValue().size() == static_cast<std::size_t>(mask.Count));
  Check(mask.GetSuffix().size() == counting);
  Check(mask.StartValue.size() <= TmString::kMaxLength);
  Check(mask.EndValue.size() <= TmString::kMaxLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DropMessages sink;
  qgen::SetMessageSink(&sink);
  FuzzedDataProvider in(data, size);
  TGenMask mask;
  int reports = 0;
  std::string proc_answer;
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange<int>(0, 11)) {
      case 0:
        try {
          mask.ScanMask(in.ConsumeRandomLengthString(140));
        } catch (const qgen::Exception&) {
          Check(mask.Count == 0);
        }
        break;
      case 1:
        mask.SetSuffix(in.ConsumeRandomLengthString(110));
        break;
      case 2:
        mask.SetStartValue(in.ConsumeRandomLengthString(110));
        break;
      case 3:
        mask.SetEndValue(in.ConsumeRandomLengthString(110));
        break;
      case 4: {
        const bool valid = mask.Validate(in.ConsumeRandomLengthString(110));
        if (mask.GetSuffix().empty())
          Check(!valid);
        break;
      }
      case 5:
      case 6: {
        const bool up = in.ConsumeBool();
        const int steps = in.ConsumeIntegralInRange<int>(1, 300);
        for (int n = 0; n < steps; ++n) {
          const int before = reports;
          up ? mask.Increment() : mask.Decrement();
          Check(reports - before <= 1);  // at most one report per step
        }
        break;
      }
      case 7:
        in.ConsumeBool() ? mask.NullValue() : mask.FullValue();
        break;
      case 8: {
        // Handlers: report only, or report and reset as the engine would.
        const int choice = in.ConsumeIntegralInRange<int>(0, 2);
        if (choice == 0) {
          mask.OnOverFlow = nullptr;
          mask.OnSubOver = nullptr;
        } else {
          const bool reset = choice == 2;
          mask.OnOverFlow = [&, reset](qgen::TObject* sender, TmString&) {
            Check(sender == &mask);
            ++reports;
            if (reset)
              mask.NullValue();
          };
          mask.OnSubOver = [&, reset](qgen::TObject* sender, TmString&) {
            Check(sender == &mask);
            ++reports;
            if (reset)
              mask.FullValue();
          };
        }
        break;
      }
      case 9:
        if (in.ConsumeBool()) {
          mask.OnErrorMask = [&](qgen::TObject*, int position, const std::string&) {
            Check(position >= 1 && position <= TGenMask::kMaxSymbols);
          };
        } else {
          mask.OnErrorMask = nullptr;
        }
        break;
      case 10:
        proc_answer = in.ConsumeRandomLengthString(110);
        mask.OnGetPROC = [&](qgen::TObject*, TmString& value) { value = proc_answer; };
        mask.GetPrefix();
        break;
      default:
        mask.SetPrefix(in.ConsumeRandomLengthString(110));
        break;
    }
    CheckInvariants(mask);
  }
  return 0;
}
