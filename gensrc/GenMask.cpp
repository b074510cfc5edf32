#include "gensrc/GenMask.h"

#include <ostream>

#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Text.h"

namespace qgen {

namespace {

constexpr unsigned char kUpperFirst = 0xC0;  // first capital of the upper-half block
constexpr unsigned char kUpperLast = 0xDF;   // last capital
constexpr unsigned char kSmallFirst = 0xE0;  // first small letter of the upper-half block
constexpr unsigned char kSmallLast = 0xFF;   // last small letter

bool IsCounting(const TMaskSymbol& symbol) {
  return symbol.Kind == ENUMS || symbol.Kind == INC;
}

// Puts `to` into c and returns `wraps` (whether the step carries or borrows).
bool Become(char& c, unsigned char to, bool wraps) {
  c = static_cast<char>(to);
  return wraps;
}

// One step up of an incremental character; returns whether it carries.
bool StepUp(incType kind, char& c) {
  const auto b = static_cast<unsigned char>(c);
  switch (kind) {
    case INCNUM:
      if (b == '9')
        return Become(c, '0', true);
      break;
    case INCCHAR:
      if (b == 'Z')
        return Become(c, 'A', true);
      if (b == 'z')
        return Become(c, 'a', true);
      if (b == kUpperLast)
        return Become(c, kUpperFirst, true);
      if (b == kSmallLast)
        return Become(c, kSmallFirst, true);
      break;
    case INCBOTH:
      if (b == '9')
        return Become(c, 'A', false);
      if (b == 'Z' || b == 'z' || b == kUpperLast || b == kSmallLast)
        return Become(c, '0', true);
      break;
    case INCNONE:
      break;
  }
  // Any other byte moves to the next code; 0xFF wraps to 0x00.
  return Become(c, static_cast<unsigned char>(b + 1), false);
}

// One step down of an incremental character; returns whether it borrows.
bool StepDown(incType kind, char& c) {
  const auto b = static_cast<unsigned char>(c);
  switch (kind) {
    case INCNUM:
      if (b == '0')
        return Become(c, '9', true);
      break;
    case INCCHAR:
      if (b == 'A')
        return Become(c, 'Z', true);
      if (b == 'a')
        return Become(c, 'z', true);
      if (b == kUpperFirst)
        return Become(c, kUpperLast, true);
      if (b == kSmallFirst)
        return Become(c, kSmallLast, true);
      break;
    case INCBOTH:
      if (b == '0')
        return Become(c, 'Z', true);
      if (b == 'A' || b == 'a' || b == kUpperFirst || b == kSmallFirst)
        return Become(c, '9', false);
      break;
    case INCNONE:
      break;
  }
  // Any other byte moves to the previous code; 0x00 wraps to 0xFF.
  return Become(c, static_cast<unsigned char>(b - 1), false);
}

// Steps one symbol; returns whether it wrapped (carry or borrow). Static and
// application symbols do not move and pass the carry on.
bool Step(TMaskSymbol& symbol, bool up) {
  switch (symbol.Kind) {
    case INC:
      return up ? StepUp(symbol.IncKind, symbol.Chars[0])
                : StepDown(symbol.IncKind, symbol.Chars[0]);
    case ENUMS: {
      const auto last = static_cast<std::int32_t>(symbol.Chars.size()) - 1;
      if (up) {
        const bool wraps = symbol.Current >= last;
        symbol.Current = wraps ? 0 : symbol.Current + 1;
        return wraps;
      }
      const bool wraps = symbol.Current <= 0;
      symbol.Current = wraps ? last : symbol.Current - 1;
      return wraps;
    }
    default:
      return true;
  }
}

char Lowest(incType kind) {
  return kind == INCCHAR ? 'A' : '0';
}
char Highest(incType kind) {
  return kind == INCNUM ? '9' : 'Z';
}

const char* TypeName(const TMaskSymbol& symbol) {
  if (symbol.Kind == ENUMS)
    return "ENUM";
  switch (symbol.IncKind) {
    case INCNUM:
      return "NUM";
    case INCCHAR:
      return "CHAR";
    default:
      return "CHARNUM";
  }
}

}  // namespace

bool IsANum(char c) {
  return c >= '0' && c <= '9';
}

bool IsAChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= kUpperFirst;
}

void SpcTo0(std::string& text) {
  for (char& c : text) {
    if (c == ' ')
      c = '0';
  }
}

TGenMask::TGenMask() = default;
TGenMask::~TGenMask() = default;

void TGenMask::ClearTable() {
  for (auto& symbol : Symbols)
    symbol = TMaskSymbol{};
  Count = 0;
}

void TGenMask::ScanMask(std::string_view picture) {
  ClearTable();
  picture = picture.substr(0, picture.find('\0'));
  const auto fail = [this](const std::string& message) {
    ClearTable();
    throw Exception(message);
  };
  std::int32_t n = 0;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const auto position = static_cast<std::int32_t>(i);
    if (n == kMaxSymbols) {
      fail("Too many symbols in mask picture at position:" + std::to_string(position) +
           "! A mask holds at most " + std::to_string(kMaxSymbols) + " symbols.");
    }
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(n)];
    symbol.Position = position;
    symbol.Current = 0;
    symbol.IncKind = INCNONE;
    const char c = picture[i];
    switch (c) {
      case '[': {
        std::size_t j = i + 1;
        while (j < picture.size() && picture[j] != ']') {
          if (picture[j] == '[') {
            fail("Error in mask picture at position:" + std::to_string(j) + "!");
          }
          ++j;
        }
        if (j == picture.size())
          fail("Missing ] symbol in Mask!");
        if (j == i + 1) {
          fail("Empty set [] in mask picture at position:" + std::to_string(position) +
               "! A set needs at least one character.");
        }
        symbol.Kind = ENUMS;
        symbol.Chars = std::string(picture.substr(i + 1, j - i - 1));
        i = j;
        break;
      }
      case '@':
        symbol.Kind = PROC;
        symbol.Chars = std::string(1, c);
        break;
      case '#':
      case '$':
      case '&':
        symbol.Kind = INC;
        symbol.IncKind = c == '#' ? INCNUM : c == '$' ? INCCHAR : INCBOTH;
        symbol.Chars = std::string(1, c);
        break;
      default:
        symbol.Kind = STAT;
        symbol.Chars = std::string(1, c);
        break;
    }
    ++n;
  }
  Count = n;
}

TmString TGenMask::Collect(bool stat, bool enums, bool inc, bool proc) const {
  TmString result;
  for (std::int32_t i = 0; i < Count; ++i) {
    const TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    const bool wanted = (symbol.Kind == STAT && stat) || (symbol.Kind == ENUMS && enums) ||
                        (symbol.Kind == INC && inc) || (symbol.Kind == PROC && proc);
    if (wanted)
      result.push_back(symbol.CurrentChar());
  }
  return result;
}

int TGenMask::CountSymbols(tType kind) const {
  int count = 0;
  for (int i = 0; i < Count; ++i) {
    if (Symbols[static_cast<std::size_t>(i)].Kind == kind)
      ++count;
  }
  return count;
}

TmString TGenMask::GetSTAT() const {
  return Collect(true, false, false, false);
}
TmString TGenMask::GetENUM() const {
  return Collect(false, true, false, false);
}
TmString TGenMask::GetINCR() const {
  return Collect(false, false, true, false);
}
TmString TGenMask::GetMskValue() const {
  return Collect(true, true, true, true);
}
TmString TGenMask::GetSuffix() const {
  return Collect(false, true, true, false);
}

TmString TGenMask::GetPROC() {
  TmString result = Collect(false, false, false, true);
  if (OnGetPROC)
    OnGetPROC(this, result);
  std::size_t k = 0;
  for (std::int32_t i = 0; i < Count && k < result.size(); ++i) {
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (symbol.Kind == PROC)
      symbol.Chars[0] = result[k++];
  }
  return result;
}

TmString TGenMask::GetPrefix() {
  GetPROC();
  return Collect(true, false, false, true);
}

void TGenMask::SetPrefix(const TmString& s) {
  std::size_t k = 0;
  for (std::int32_t i = 0; i < Count && k < s.size(); ++i) {
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (symbol.Kind == STAT || symbol.Kind == PROC)
      symbol.Chars[0] = s[k++];
  }
}

void TGenMask::SetSuffix(const TmString& s) {
  std::size_t k = 0;
  for (std::int32_t i = 0; i < Count && k < s.size(); ++i) {
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (symbol.Kind == ENUMS) {
      const std::size_t j = symbol.Chars.find(s[k++]);
      symbol.Current = j == std::string::npos ? 0 : static_cast<std::int32_t>(j);
    } else if (symbol.Kind == INC) {
      symbol.Chars[0] = s[k++];
    }
  }
}

void TGenMask::SetStartValue(const TmString& s) {
  StartValue = s;
  if (!StartValue.empty() && !Validate(StartValue))
    StartValue.clear();
}

void TGenMask::SetEndValue(const TmString& s) {
  EndValue = s;
  if (!EndValue.empty() && !Validate(EndValue))
    EndValue.clear();
}

bool TGenMask::Validate(const TmString& s) {
  if (GetSuffix().empty())
    return false;
  bool result = true;
  std::size_t k = 0;  // 0-based here; reported 1-based
  for (std::int32_t i = 0; i < Count; ++i) {
    const TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (!IsCounting(symbol))
      continue;
    const bool present = k < s.size();
    const char c = s[k];
    bool valid = false;
    if (present) {
      if (symbol.Kind == ENUMS) {
        valid = symbol.Chars.find(c) != std::string::npos;
      } else if (symbol.IncKind == INCNUM) {
        valid = IsANum(c);
      } else if (symbol.IncKind == INCCHAR) {
        valid = IsAChar(c);
      } else {
        valid = IsAChar(c) || IsANum(c);
      }
    }
    ++k;
    if (valid)
      continue;
    result = false;
    const auto position = static_cast<int>(k);
    if (OnErrorMask) {
      OnErrorMask(this, position, TypeName(symbol));
    } else if (symbol.Kind == ENUMS && present) {
      MessageBox(std::string(1, c) + "is not in the set!", "TGenMask", MB_ICONERROR);
    } else {
      // A missing character has none to name: the position message says where.
      MessageBox("Error at position-" + std::to_string(position) + " " + s.str(), "TGenMask",
                 MB_ICONERROR);
    }
  }
  return result;
}

std::int32_t TGenMask::FirstCountingSymbol() const {
  for (std::int32_t i = 0; i < Count; ++i) {
    if (IsCounting(Symbols[static_cast<std::size_t>(i)]))
      return i;
  }
  return Count;
}

void TGenMask::Increment() {
  const std::int32_t first = FirstCountingSymbol();
  bool carry = true;
  bool overflow = false;
  for (std::int32_t i = Count - 1; i >= 0 && carry;) {
    carry = Step(Symbols[static_cast<std::size_t>(i)], true);
    --i;
    // The step is made first: EndValue itself is a value the counter holds.
    if (!EndValue.empty() && CompareText(EndValue, GetSuffix()) < 0) {
      overflow = true;
      break;
    }
    if (carry && i < first) {
      overflow = true;
      break;
    }
  }
  if (!overflow)
    return;
  if (OnOverFlow) {
    TmString suffix = GetSuffix();
    OnOverFlow(this, suffix);
  } else {
    NullValue();
  }
}

void TGenMask::Decrement() {
  const std::int32_t first = FirstCountingSymbol();
  bool borrow = true;
  bool underflow = false;
  for (std::int32_t i = Count - 1; i >= 0 && borrow;) {
    // Tested before the step: standing on StartValue is the underflow.
    if (!StartValue.empty() && CompareText(StartValue, GetSuffix()) == 0) {
      underflow = true;
      break;
    }
    borrow = Step(Symbols[static_cast<std::size_t>(i)], false);
    --i;
    if (borrow && i < first) {
      underflow = true;
      break;
    }
  }
  if (!underflow)
    return;
  if (OnSubOver) {
    TmString suffix = GetSuffix();
    OnSubOver(this, suffix);
  } else {
    FullValue();
  }
}

void TGenMask::NullValue() {
  if (!StartValue.empty()) {
    SetSuffix(StartValue);
    return;
  }
  for (std::int32_t i = 0; i < Count; ++i) {
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (symbol.Kind == ENUMS)
      symbol.Current = 0;
    if (symbol.Kind == INC)
      symbol.Chars[0] = Lowest(symbol.IncKind);
  }
}

void TGenMask::FullValue() {
  if (!EndValue.empty()) {
    SetSuffix(EndValue);
    return;
  }
  for (std::int32_t i = 0; i < Count; ++i) {
    TMaskSymbol& symbol = Symbols[static_cast<std::size_t>(i)];
    if (symbol.Kind == ENUMS)
      symbol.Current = static_cast<std::int32_t>(symbol.Chars.size()) - 1;
    if (symbol.Kind == INC)
      symbol.Chars[0] = Highest(symbol.IncKind);
  }
}

}  // namespace qgen
