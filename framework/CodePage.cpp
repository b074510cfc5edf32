#include "framework/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <map>

#include "framework/Exception.h"

namespace qgen {

namespace {

std::string& CodePageSetting() {
  static std::string name = "WINDOWS-1251";
  return name;
}

// One iconv conversion, with the descriptor closed on every path.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) {
    cd_ = iconv_open(to.c_str(), from.c_str());
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw EConvertError("Unknown code page: " + (to == "UTF-8" ? from : to) +
                          " (use a name that iconv knows, such as WINDOWS-1251)");
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { iconv_close(cd_); }

  // Converts `in`; on a character that cannot be converted, returns false, the
  // offset of the offending input byte in `bad` and iconv's reason in error():
  // EILSEQ for a character it cannot take, EINVAL for an incomplete one.
  bool Run(std::string_view in, std::string& out, std::size_t& bad) {
    out.clear();
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buffer[1024];
    while (left > 0) {
      char* dst = buffer;
      std::size_t room = sizeof buffer;
      const std::size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG)
          continue;
        error_ = errno;
        bad = in.size() - left;
        return false;
      }
      // glibc counts irreversible conversions in r: with //TRANSLIT off it
      // does not substitute, so r > 0 does not occur for these code pages.
    }
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &room);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return true;
  }
  int error() const { return error_; }

 private:
  iconv_t cd_;
  int error_ = 0;
};

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is malformed
// (a stray or overlong form, a surrogate, a code point beyond U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  const std::size_t len = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
  if (len == 0 || at + len > text.size())
    return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((byte(k) & 0xC0) != 0x80)
      return 0;
  }
  // The second byte's range rules out overlong forms, surrogates and too-high code points.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) {
    return 0;
  }
  return len;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

// Whether `codepage` writes the 128 ASCII characters as ASCII does (most do;
// the national variants of ISO 646 do not), so that ASCII text needs no
// conversion: opening a conversion costs far more than converting a short
// value. Asked of iconv once per code page and thread; false for a name iconv
// does not know, whose conversion then raises as before.
bool KeepsAscii(const std::string& codepage) {
  thread_local std::map<std::string, bool> known;
  const auto found = known.find(codepage);
  if (found != known.end())
    return found->second;
  std::string ascii(128, '\0');
  for (std::size_t b = 0; b < ascii.size(); ++b)
    ascii[b] = static_cast<char>(b);
  bool keeps = false;
  try {
    Converter to_utf8("UTF-8", codepage);
    std::string out;
    std::size_t bad = 0;
    keeps = to_utf8.Run(ascii, out, bad) && out == ascii;
  } catch (const EConvertError&) {
    keeps = false;
  }
  known.emplace(codepage, keeps);
  return keeps;
}

std::string HexByte(unsigned char c) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", c);
  return hex;
}

}  // namespace

const std::string& DefaultCodePage() {
  return CodePageSetting();
}

void SetDefaultCodePage(const std::string& name) {
  // The engines take one byte for one character: reject multi-byte code pages.
  Converter to(name, "UTF-8");
  std::string out;
  std::size_t bad = 0;
  if (!to.Run("A", out, bad) || out != "A") {
    throw EConvertError("Code page " + name + " is not a single-byte code page");
  }
  // Every byte must stand for a character of its own or for none: a byte that
  // iconv finds incomplete on its own is the lead byte of a multi-byte code page.
  Converter back("UTF-8", name);
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    if (!back.Run(std::string_view(&byte, 1), out, bad) && back.error() != EILSEQ) {
      throw EConvertError("Code page " + name + " is not a single-byte code page");
    }
  }
  CodePageSetting() = name;
}

std::string ToUtf8(std::string_view bytes, const std::string& codepage) {
  if (IsAscii(bytes) && KeepsAscii(codepage))
    return std::string(bytes);
  Converter c("UTF-8", codepage);
  std::string out;
  std::size_t bad = 0;
  if (!c.Run(bytes, out, bad)) {
    throw EConvertError("Text holds byte " + HexByte(static_cast<unsigned char>(bytes[bad])) +
                        ", which code page " + codepage + " does not define");
  }
  return out;
}

std::string FromUtf8(std::string_view utf8, const std::string& codepage) {
  if (IsAscii(utf8) && KeepsAscii(codepage))
    return std::string(utf8);
  Converter c(codepage, "UTF-8");
  std::string out;
  std::size_t bad = 0;
  if (!c.Run(utf8, out, bad)) {
    const std::size_t len = Utf8SequenceLength(utf8, bad);
    if (len == 0) {
      throw EConvertError("Text is not valid UTF-8 (byte " +
                          HexByte(static_cast<unsigned char>(utf8[bad])) + " at offset " +
                          std::to_string(bad) + ")");
    }
    throw EConvertError("The character '" + std::string(utf8.substr(bad, len)) +
                        "' cannot be written in code page " + codepage +
                        "; choose another code page or leave the character out");
  }
  return out;
}

}  // namespace qgen
